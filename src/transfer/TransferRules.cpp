#include "TransferRules.h"

#include "Catalogue.h"
#include "TransferDlg.h"

std::string g_strFolderAnswers;
std::atomic<int> g_bFolderYesToAll{0};

void ResetTransferJobState()
{
    g_strFolderAnswers.clear();
    g_bFolderYesToAll = 0;
    g_bCancelTransfer = 0;
}

char InnermostFolderAnswer(const std::string& strAnswers)
{
    return strAnswers.empty() ? 0 : strAnswers.back();
}

bool IsTransferNameTooLong(const std::string& strName) { return strName.size() > kMaxTransferName; }

std::string TooLongText(const std::string& strName)
{
    return strName + " " + MSG_NAME_TOO_LONG + " " + std::to_string(kMaxTransferName);
}

bool IsSafeLocalName(const std::string& strName)
{
    if (strName.empty() || strName == "." || strName == "..")
        return false;
    return strName.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

std::string PathStatusText(const std::string& strText, const std::string& strPath)
{
    return strText + " : " + strPath;
}

std::string FailedStatusText(const std::string& strText, const std::string& strPath, int nCode)
{
    return strText + " : " + strPath + "(" + std::to_string(nCode) + ")";
}

EFileDecision UploadFileDecision(bool bExists, bool bFolderYesToAll, char cInnermost,
                                 bool bBatchYesToAll)
{
    if (!bExists || bFolderYesToAll || cInnermost == 'A')
        return EFileDecision::Transfer;
    if (cInnermost == 'B')
        return EFileDecision::Skip;
    if (bBatchYesToAll)
        return EFileDecision::Transfer;
    return EFileDecision::Ask;
}

EFileDecision DownloadFileDecision(bool bExists, char cInnermost, bool bBatchYesToAll)
{
    if (!bExists || bBatchYesToAll || cInnermost == 'A')
        return EFileDecision::Transfer;
    if (cInnermost == 'B')
        return EFileDecision::Skip;
    return EFileDecision::Ask;
}

char FolderAnswerWithoutQuestion(char cInnermost, bool bFolderYesToAll)
{
    if (cInnermost == 'B')
        return 'B';
    if (bFolderYesToAll)
        return 'A';
    return 0;
}
