// The Upload job: copies the entries selected in the device pane (receiver)
// into the host pane's folder (PC), whole folder trees included.
//
// The walk runs on the user-interface thread; each run of consecutive files
// of one folder is a batch received by a worker thread under the progress
// dialog. The worker never touches a window: it reads the panes and paths,
// refreshes the host pane, reports and asks through the user-interface thread
// (RunOnUiThread), waiting for each.
//
// A file is never received straight into its destination: RecvFile writes a
// private temporary folder inside the destination folder, and only a complete
// copy is renamed over the destination. A failed or cancelled receive removes
// the temporary copy and leaves the user's existing file as it was.
#include <wx/textctrl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unistd.h>
#include <sys/stat.h>
#include <vector>

#include "Catalogue.h"
#include "HostFileOps.h"
#include "HostPath.h"
#include "ReceiverLink.h"
#include "ReceiverPath.h"
#include "StbDlg.h"
#include "TextConv.h"
#include "TransferDlg.h"
#include "TransferJob.h"
#include "TransferRules.h"
#include "UiThread.h"

namespace
{

// The receiver's current listing by exact name: true for folders.
std::unordered_map<std::string, bool> ListedEntries()
{
    std::unordered_map<std::string, bool> mapEntries;
    if (g_pReceiver == nullptr || g_pReceiver->m_pList == nullptr)
        return mapEntries;
    const DirEntry* pEntries = g_pReceiver->Entries();
    for (uint32_t i = 0; i < g_pReceiver->m_nListCount; ++i)
        mapEntries.emplace(EntryName(pEntries[i]), EntryIsFolder(pEntries[i]));
    return mapEntries;
}

// A private folder inside the destination folder that receives the files of
// one batch until each is complete; made at the first use, removed at the
// end (it is empty then: every file in it is renamed or removed at once).
class CReceiveFolder {
public:
    explicit CReceiveFolder(std::string strDestination) : m_strDestination(std::move(strDestination)) {}
    ~CReceiveFolder() { Remove(); }
    void Remove()
    {
        if (!m_strPath.empty())
            ::rmdir(m_strPath.c_str());
        m_strPath.clear();
    }
    CReceiveFolder(const CReceiveFolder&) = delete;
    CReceiveFolder& operator=(const CReceiveFolder&) = delete;

    // The folder's path, or "" when it cannot be made.
    const std::string& Path()
    {
        if (m_strPath.empty())
        {
            std::string strTemplate = JoinHostPath(m_strDestination, ".quorvane-XXXXXX");
            if (::mkdtemp(strTemplate.data()) != nullptr)
                m_strPath = strTemplate;
        }
        return m_strPath;
    }

private:
    std::string m_strDestination;
    std::string m_strPath;
};

// Receives the receiver file strRemote as the PC file strLocal (whose last
// component is the receiver's name) through the batch's receive folder,
// replacing an existing file only when the new copy is complete. bFolder:
// the receiver lists that name as a folder. Returns RL_OK or a negative code.
int ReceiveFileReplacing(CReceiveFolder& folder, const std::string& strLocal,
                         const std::string& strRemote, bool bListed, bool bFolder)
{
    if (g_pReceiver == nullptr)
        return RL_ERR_NO_HANDLE;
    // Only a file entry can be received; a folder is never opened as a file.
    if (!bListed || bFolder)
        return RL_ERR_NOT_LISTED;
    // A folder in the way cannot be replaced by a file.
    if (IsHostFolder(strLocal))
        return RL_ERR_LOCAL_OPEN;
    if (folder.Path().empty())
        return RL_ERR_LOCAL_OPEN;
    // The link finds the file's size in its listing by the local file's
    // name, so the temporary copy keeps the name.
    const std::string strTemp = JoinHostPath(folder.Path(), LastPathComponent(strLocal));

    const int nResult = g_pReceiver->RecvFile(strTemp, strRemote);
    if (nResult < 0)
    {
        g_pReceiver->AbortFile();
        ::unlink(strTemp.c_str());
        return nResult;
    }
    if (std::rename(strTemp.c_str(), strLocal.c_str()) != 0)
    {
        ::unlink(strTemp.c_str());
        return RL_ERR_LOCAL_WRITE;
    }
    return nResult;
}

// Receives the names of m_uploadBatch into the host folder. Returns 1 after
// the whole batch, 0 when stopped by a cancel.
int UploadWorker(CStbDlg* pMain, CTransferDlg* pDlg)
{
    std::lock_guard<std::mutex> lock(g_csTransfer);
    bool bBatchYesToAll = false;
    const char cInnermost = InnermostFolderAnswer(g_strFolderAnswers);
    CStatusLines statusLines(pMain);
    const BatchView view = ReadBatchView(pMain, true);
    const std::unordered_map<std::string, bool> mapListed = ListedEntries();
    CReceiveFolder receiveFolder(view.strHostPath);

    for (const std::string& strName : pMain->m_uploadBatch)
    {
        if (g_bCancelTransfer)
            return 0;
        const std::string strRemote = JoinReceiverPath(view.strDevicePath, strName);
        if (ReportTooLongName(pMain, statusLines, strName))
            continue;
        // A receiver name is one entry of the PC folder, never a path.
        if (!IsSafeLocalName(strName))
        {
            statusLines.Add(PathStatusText(MSG_UPLOAD_FAILED, strRemote));
            continue;
        }
        const std::string strLocal = JoinHostPath(view.strHostPath, strName);

        // The pane may be older than the folder: an entry on the disk counts
        // as well, so nothing is replaced without the question.
        const bool bExists = view.destination.Contains(strName) || HostEntryExists(strLocal);
        const EFileDecision eDecision =
            UploadFileDecision(bExists, g_bFolderYesToAll != 0, cInnermost, bBatchYesToAll);
        if (!ConfirmFileDecision(eDecision, strName, bBatchYesToAll))
            continue;

        NotifyTransferFile(pDlg, TRANSFER_DIRECTION_UPLOAD, strName);
        if (g_bCancelTransfer)
            return 0;
        const auto itListed = mapListed.find(strName);
        const int nResult = ReceiveFileReplacing(receiveFolder, strLocal, strRemote,
                                                 itListed != mapListed.end(),
                                                 itListed != mapListed.end() && itListed->second);
        if (nResult < 0)
            statusLines.Add(FailedStatusText(MSG_UPLOAD_FAILED, strLocal, nResult));
        else
            statusLines.Add(PathStatusText(MSG_UPLOAD_SUCCESS, strLocal));
    }

    receiveFolder.Remove();
    RunOnUiThread([pMain] { pMain->RefreshHostList(pMain->GetHostPath(), 1, 0); });
    CloseTransferDlg(pDlg);
    return 1;
}

}  // namespace

void CStbDlg::OnUpload()
{
    RunTransferJob(this, &CStbDlg::UploadFolderLevel);
}

void CStbDlg::RunUploadBatch()
{
    if (m_uploadBatch.empty())
    {
        RefreshHostList(GetHostPath(), 1, 0);
        return;
    }
    const bool bRan = RunTransferBatch(this, TRANSFER_DIRECTION_UPLOAD,
                                       [this](CTransferDlg* pDlg) { UploadWorker(this, pDlg); });
    if (!bRan)
        ShowTransferMessage(this, MSG_UPLOAD_THREAD_FAILED);
    m_uploadBatch.clear();
}

void CStbDlg::UploadFolderLevel(bool bTakeAll)
{
    if (!WalkFolderLevel(this, m_listDevice, bTakeAll, m_uploadBatch, &CStbDlg::UploadFolder))
        return;
    RunUploadBatch();
}

bool CStbDlg::UploadFolder(const std::string& strFolder)
{
    // The files gathered before this folder go first.
    RunUploadBatch();
    if (g_bCancelTransfer)
        return false;

    const std::string strDevice = GetDevicePath();
    const std::string strHost = GetHostPath();
    if (IsFolderTooDeep(strDevice))
    {
        AddStatusMessage(MSG_TOO_DEEP, 0);
        return true;
    }
    const std::string strDeviceSub = JoinReceiverPath(strDevice, strFolder);
    // A receiver name that is not a single PC entry is never made a path.
    if (!IsSafeLocalName(strFolder))
    {
        AddStatusMessage(PathStatusText(MSG_UPLOAD_FAILED, strDeviceSub), 0);
        return true;
    }
    const std::string strHostSub = JoinHostPath(strHost, strFolder);

    // The PC folder exists (by its exact name): the answer decides about the
    // files inside. Otherwise it is made; a failure shows up as failed files.
    bool bPushed = false;
    if (IsHostFolder(strHostSub))
    {
        g_strFolderAnswers.push_back(DecideFolderAnswer(strFolder));
        bPushed = true;
    }
    else
    {
        MakeHostFolder(strHostSub);
    }
    RefreshHostList(strHostSub, 1, 0);

    if (g_pReceiver->ChangeDir(strDeviceSub) < 0)
    {
        g_pReceiver->Reset();
        AddStatusMessage(PathStatusText(MSG_CHANGE_DIR_FAILED, strDeviceSub), 0);
        if (bPushed)
            g_strFolderAnswers.pop_back();
        RefreshHostList(strHost, 1, 0);
        return false;
    }
    RefreshDeviceList(strDeviceSub, 1, 0);

    UploadFolderLevel(true);

    if (bPushed)
        g_strFolderAnswers.pop_back();
    RefreshHostList(strHost, 1, 0);
    if (g_pReceiver->ChangeDir(strDevice) < 0)
    {
        g_pReceiver->Reset();
        AddStatusMessage(PathStatusText(MSG_CHANGE_DIR_FAILED, strDevice), 0);
        return false;
    }
    RefreshDeviceList(strDevice, 1, 0);
    return true;
}
