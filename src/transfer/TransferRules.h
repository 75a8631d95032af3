// The decisions of the Upload and Download jobs, as plain functions.
//
// Folder answers: while a job is inside existing destination folders it keeps
// one letter per folder in g_strFolderAnswers, outermost first: 'A' overwrite
// the existing files inside, 'B' keep them. g_bFolderYesToAll is set by a YES
// TO ALL to a folder question and lasts for the whole job.
#pragma once

#include <atomic>
#include <string>

// Longest entry name in bytes: a receiver directory entry holds 59 and a NUL.
constexpr size_t kMaxTransferName = 59;

extern std::string g_strFolderAnswers;
extern std::atomic<int> g_bFolderYesToAll;

// Clears the job-wide state when an Upload or Download command starts:
// folder answers, folder YES TO ALL, and the cancel flag.
void ResetTransferJobState();

// The innermost folder answer ('A' or 'B'), or 0 when there is none.
char InnermostFolderAnswer(const std::string& strAnswers);

bool IsTransferNameTooLong(const std::string& strName);
// "<name> <MSG_NAME_TOO_LONG> 59" (the catalogue text ends in a blank, so two
// blanks stand before 59).
std::string TooLongText(const std::string& strName);

// A name from the receiver that can be used as one entry of a PC folder: not
// empty, not "." or "..", no "/", "\" or NUL. Anything else would build a
// path outside the destination folder (or a different entry than named).
bool IsSafeLocalName(const std::string& strName);

// "<text> : <path>" and "<text> : <path>(<code>)".
std::string PathStatusText(const std::string& strText, const std::string& strPath);
std::string FailedStatusText(const std::string& strText, const std::string& strPath, int nCode);

// What the worker does with one file whose destination may exist.
enum class EFileDecision { Transfer, Skip, Ask };

// Upload (receiver to PC). bExists: the destination exists (a host pane entry
// of the same name, ignoring case, or the exact PC path).
EFileDecision UploadFileDecision(bool bExists, bool bFolderYesToAll, char cInnermost,
                                 bool bBatchYesToAll);
// Download (PC to receiver): the folder YES TO ALL does not spare file
// questions here.
EFileDecision DownloadFileDecision(bool bExists, char cInnermost, bool bBatchYesToAll);

// The answer for an existing destination folder before any question: 'B'
// inherited from the innermost 'B', 'A' after a folder YES TO ALL, or 0 when
// the user must be asked.
char FolderAnswerWithoutQuestion(char cInnermost, bool bFolderYesToAll);
