// The Download job: copies the entries selected in the host pane (PC) into
// the device pane's receiver folder, whole folder trees included.
//
// Built like the Upload job: the walk on the user-interface thread, one
// worker per batch of consecutive files under the progress dialog, and the
// worker reaching the main window only through the user-interface thread.
// The receiver-side folder steps (make, enter, return) come before the
// PC-side ones, and the free-space display is refreshed after every level
// that is walked to its end.
#include <mutex>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "HostPath.h"
#include "ReceiverLink.h"
#include "ReceiverPath.h"
#include "StbDlg.h"
#include "TransferDlg.h"
#include "TransferJob.h"
#include "TransferRules.h"
#include "UiThread.h"

namespace
{

// Sends the names of m_downloadBatch to the receiver folder. Returns 1 after
// the whole batch, 0 when stopped by a cancel.
int DownloadWorker(CStbDlg* pMain, CTransferDlg* pDlg)
{
    std::lock_guard<std::mutex> lock(g_csTransfer);
    bool bBatchYesToAll = false;
    const char cInnermost = InnermostFolderAnswer(g_strFolderAnswers);
    CStatusLines statusLines(pMain);
    const BatchView view = ReadBatchView(pMain, false);

    for (const std::string& strName : pMain->m_downloadBatch)
    {
        if (g_bCancelTransfer)
            return 0;
        const std::string strLocal = JoinHostPath(view.strHostPath, strName);
        if (ReportTooLongName(pMain, statusLines, strName))
            continue;

        const EFileDecision eDecision =
            DownloadFileDecision(view.destination.Contains(strName), cInnermost, bBatchYesToAll);
        if (!ConfirmFileDecision(eDecision, strName, bBatchYesToAll))
            continue;

        // The old receiver file goes first (it usually does not exist; the
        // result does not matter). A receiver folder of that name is never
        // deleted: the receiver then refuses the file and the line says so.
        const std::string strRemote = JoinReceiverPath(view.strDevicePath, strName);
        const bool bFolderInTheWay = view.destination.ContainsFolder(strName);
        if (!bFolderInTheWay)
            g_pReceiver->Delete(strRemote);

        NotifyTransferFile(pDlg, TRANSFER_DIRECTION_DOWNLOAD, strName);
        if (g_bCancelTransfer)
            return 0;
        const int nResult = g_pReceiver->SendFile(strLocal, strRemote);
        if (nResult < 0)
        {
            // Whatever reached the receiver is incomplete: close and remove it.
            g_pReceiver->AbortFile();
            if (!bFolderInTheWay && g_pReceiver->Delete(strRemote) < 0)
                g_pReceiver->Reset();
            statusLines.Add(FailedStatusText(MSG_DOWNLOAD_FAILED, strLocal, nResult));
        }
        else
        {
            statusLines.Add(PathStatusText(MSG_DOWNLOAD_SUCCESS, strLocal));
        }
    }

    RunOnUiThread([pMain] { pMain->RefreshDeviceList(pMain->GetDevicePath(), 1, 0); });
    CloseTransferDlg(pDlg);
    return 1;
}

}  // namespace

void CStbDlg::OnDownload()
{
    RunTransferJob(this, &CStbDlg::DownloadFolderLevel);
}

void CStbDlg::RunDownloadBatch()
{
    if (m_downloadBatch.empty())
    {
        RefreshDeviceList(GetDevicePath(), 1, 0);
        return;
    }
    const bool bRan = RunTransferBatch(this, TRANSFER_DIRECTION_DOWNLOAD,
                                       [this](CTransferDlg* pDlg) { DownloadWorker(this, pDlg); });
    if (!bRan)
        ShowTransferMessage(this, MSG_DOWNLOAD_THREAD_FAILED);
    m_downloadBatch.clear();
}

void CStbDlg::DownloadFolderLevel(bool bTakeAll)
{
    if (!WalkFolderLevel(this, m_listHost, bTakeAll, m_downloadBatch, &CStbDlg::DownloadFolder))
        return;
    RunDownloadBatch();
    ShowDiskInfo();
}

bool CStbDlg::DownloadFolder(const std::string& strFolder)
{
    // The files gathered before this folder go first.
    RunDownloadBatch();
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

    bool bPushed = false;
    if (FindListItem(m_listDevice, strFolder, 1) >= 0)
    {
        g_strFolderAnswers.push_back(DecideFolderAnswer(strFolder));
        bPushed = true;
    }
    else if (g_pReceiver->MakeDir(strDeviceSub) < 0)
    {
        g_pReceiver->Reset();
        AddStatusMessage(PathStatusText(MSG_MAKE_DIR_FAILED, strDeviceSub), 0);
        return false;
    }

    if (g_pReceiver->ChangeDir(strDeviceSub) < 0)
    {
        g_pReceiver->Reset();
        AddStatusMessage(PathStatusText(MSG_CHANGE_DIR_FAILED, strDeviceSub), 0);
        if (bPushed)
            g_strFolderAnswers.pop_back();
        return false;
    }
    RefreshDeviceList(strDeviceSub, 1, 0);
    RefreshHostList(JoinHostPath(strHost, strFolder), 1, 0);

    DownloadFolderLevel(true);

    if (bPushed)
        g_strFolderAnswers.pop_back();
    if (g_pReceiver->ChangeDir(strDevice) < 0)
    {
        g_pReceiver->Reset();
        AddStatusMessage(PathStatusText(MSG_CHANGE_DIR_FAILED, strDevice), 0);
        RefreshHostList(strHost, 1, 0);
        return false;
    }
    RefreshDeviceList(strDevice, 1, 0);
    RefreshHostList(strHost, 1, 0);
    return true;
}
