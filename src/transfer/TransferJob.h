// Pieces shared by the Upload and Download jobs: gathering a pane's entries,
// the folder question, the batch runner and the worker's reports.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "TransferRules.h"

class CPaneList;
class CStbDlg;
class CTransferDlg;

// One entry a level walks: its name bytes and whether it is a folder.
struct GatheredEntry {
    std::string strName;
    bool bFolder = false;
};

// The entries of one level in pane order: every row with bTakeAll, else the
// selected rows. Folders whose names begin with "." (so also "..") are
// dropped; folders with names over kMaxTransferName bytes are dropped after
// a message box with the too-long text. Files are taken as they are; the
// worker checks them. User-interface thread.
std::vector<GatheredEntry> GatherPaneEntries(CStbDlg* pMain, const CPaneList* pList, bool bTakeAll);

// Runs one Upload or Download command: nothing while a job runs; otherwise
// the job-wide state is cleared and the selected entries' level is walked by
// pfnLevel (bTakeAll false), with the job marked as running meanwhile.
void RunTransferJob(CStbDlg* pMain, void (CStbDlg::*pfnLevel)(bool));

// The walk of one folder level, for both directions: nothing while
// disconnected; otherwise vecBatch is cleared and filled with the level's
// files in pane order (see GatherPaneEntries), and each folder entry is
// handed to pfnFolder, which copies the files gathered before it and then
// the folder. Returns true when the level was walked to its end (the
// caller then copies the files after the last folder), false when it
// ended early: not connected, a cancel, or pfnFolder returned false.
bool WalkFolderLevel(CStbDlg* pMain, const CPaneList* pList, bool bTakeAll,
                     std::vector<std::string>& vecBatch,
                     bool (CStbDlg::*pfnFolder)(const std::string&));

// Whether a worker copies a file after its decision: Skip does not, Ask
// asks the user (NO leaves the file, YES TO ALL sets bBatchYesToAll for the
// rest of the batch).
bool ConfirmFileDecision(EFileDecision eDecision, const std::string& strName, bool& bBatchYesToAll);

// The answer for an existing destination folder named strName, asking the
// user when the answers so far do not decide it (YES 'A', YES TO ALL 'A' and
// sets g_bFolderYesToAll, NO 'B'). User-interface thread.
char DecideFolderAnswer(const std::string& strName);

// Runs one batch: starts the worker on its own thread, shows a fresh progress
// dialog of the direction modally, then keeps serving events until the worker
// has ended and joins it. The worker gets the dialog, which lives until the
// worker has ended. Returns false when the thread could not be started
// (nothing ran).
bool RunTransferBatch(CStbDlg* pMain, int nDirection, const std::function<void(CTransferDlg*)>& worker);

// The names of a pane's rows, for the worker's conflict tests: one set of
// case-folded names for all rows and one for the folders. Names compare as
// FindListItem compares them: UTF-8 names character by character without
// case, other names by their bytes ignoring the case of ASCII letters.
class CPaneNames {
public:
    CPaneNames() = default;
    explicit CPaneNames(const CPaneList* pList);
    bool Contains(const std::string& strName) const;
    bool ContainsFolder(const std::string& strName) const;

private:
    std::unordered_set<std::string> m_setAll;
    std::unordered_set<std::string> m_setFolders;
};
std::string FoldNameCase(const std::string& strName);

// What a worker reads from the main window once per batch: the two folders
// and the names in the destination pane. The pane and the folders stay as
// they are while a batch runs.
struct BatchView {
    std::string strHostPath;
    std::string strDevicePath;
    CPaneNames destination;
};
// Reads it on the user-interface thread; bUpload picks the host pane as the
// destination, else the device pane.
BatchView ReadBatchView(CStbDlg* pMain, bool bUpload);

// A worker's status lines, appended without waiting (the lines keep their
// order). Lines added while earlier ones still wait for the user-interface
// thread go with them in one call. The batch runner has every queued line
// shown before it returns.
class CStatusLines {
public:
    explicit CStatusLines(CStbDlg* pMain);
    void Add(std::string strText);

private:
    struct Shared;
    CStbDlg* m_pMain;
    std::shared_ptr<Shared> m_pShared;
};

// A worker's test of a file name: a name over kMaxTransferName bytes gets a
// status line and a message box. Returns true when the file is to be left out.
bool ReportTooLongName(CStbDlg* pMain, CStatusLines& statusLines, const std::string& strName);

// A message box owned by the main window with the program's name as caption;
// from a worker it runs on the user-interface thread while the worker waits.
void ShowTransferMessage(CStbDlg* pMain, const std::string& strText);
