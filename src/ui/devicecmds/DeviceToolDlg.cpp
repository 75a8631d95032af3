#include "DeviceToolDlg.h"

#include <vector>

#include "Catalogue.h"
#include "DialogSupport.h"
#include "HostPath.h"
#include "NameCheck.h"
#include "ReceiverLink.h"
#include "ReceiverPath.h"
#include "StbDlg.h"
#include "TextConv.h"

CDeviceToolDlg::CDeviceToolDlg(wxWindow* pParent) : CPaneToolDlg(pParent, IDD_DEVICE_TOOL, IDC_DEVICE_NEW_FOLDER) {}

std::string CDeviceToolDlg::DeviceFolder() const
{
    return g_pMainDlg->GetDevicePath();
}

void CDeviceToolDlg::SetDeviceFolderText(const std::string& strFolder)
{
    g_pMainDlg->SetDevicePath(strFolder);
}

void CDeviceToolDlg::ReportFailure(const std::string& strText, const std::string& strPath)
{
    g_pReceiver->Reset();
    g_pMainDlg->AddStatusMessage(strText + " : " + strPath, 0);
}

void CDeviceToolDlg::OnNewFolder()
{
    if (g_pMainDlg == nullptr || g_pReceiver == nullptr)
        return;
    const std::string strFolder = DeviceFolder();
    std::string strName;
    if (!AskNewFolderName(strFolder, strName))
        return;
    // Whether the name exists already is the receiver's to say.
    const std::string strPath = JoinReceiverPath(strFolder, strName);
    if (g_pReceiver->MakeDir(strPath) < 0)
    {
        ReportFailure(MSG_MAKE_DIR_FAILED, strPath);
        return;
    }
    OnRefresh();
    g_pMainDlg->ShowDiskInfo();
}

void CDeviceToolDlg::OnRename()
{
    if (g_pMainDlg == nullptr || g_pReceiver == nullptr)
        return;
    const PaneRow* pRow =
        g_pMainDlg->m_listDevice->Row(g_pMainDlg->m_listDevice->FirstSelectedRow());
    const std::string strFolder = DeviceFolder();
    std::string strCurrentName;
    std::string strNewName;
    if (!AskNewName(pRow, strCurrentName, strNewName))
        return;
    const std::string strOld = JoinReceiverPath(strFolder, strCurrentName);
    const std::string strNew = JoinReceiverPath(strFolder, strNewName);
    if (g_pReceiver->Rename(strOld, strNew) < 0)
    {
        ReportFailure(MSG_RENAME_FAILED, strOld + " -> " + strNew);
        return;
    }
    OnRefresh();
}

void CDeviceToolDlg::OnDelete()
{
    if (g_pMainDlg == nullptr || g_pReceiver == nullptr)
        return;
    // The pane is not refilled before the end, so the indices stay valid.
    for (long nIndex : g_pMainDlg->m_listDevice->SelectedRows())
        DeleteEntry(nIndex);
    OnRefresh();
}

void CDeviceToolDlg::OnRefresh()
{
    if (g_pMainDlg == nullptr)
        return;
    g_pMainDlg->RefreshDeviceList(DeviceFolder(), 1, 0);
}

void CDeviceToolDlg::DeleteEntry(long nIndex)
{
    const PaneRow* pRow = g_pMainDlg->m_listDevice->Row(nIndex);
    // A leading full stop keeps ".." (and hidden entries) from being deleted.
    if (pRow == nullptr || pRow->strName.empty() || pRow->strName[0] == '.')
        return;
    const std::string strName = pRow->strName;
    if (strName.size() > kMaxEntryNameBytes)
    {
        const std::string strText = NameTooLongText(strName);
        g_pMainDlg->AddStatusMessage(strText, 0);
        ShowDialogMessage(g_pMainDlg, strText);
        return;
    }
    const std::string strPath = JoinReceiverPath(DeviceFolder(), strName);
    if (pRow->bFolder)
    {
        DeleteFolderTree(strPath);
        // Back to the folder the user was in; the tree walk left the receiver
        // and the path box elsewhere.
        const std::string strBack = ReceiverParentPath(strPath);
        if (g_pReceiver->ChangeDir(strBack) < 0)
            ReportFailure(MSG_CHANGE_DIR_FAILED, strBack);
        else
            SetDeviceFolderText(strBack);
        return;
    }
    if (g_pReceiver->Delete(strPath) < 0)
        ReportFailure(MSG_DELETE_FAILED, strPath);
    else
        g_pMainDlg->AddStatusMessage(MSG_DELETED + " : " + strPath, 0);
}

void CDeviceToolDlg::DeleteFolderTree(const std::string& strFolder)
{
    if (g_pReceiver->ChangeDir(strFolder) < 0)
    {
        ReportFailure(MSG_CHANGE_DIR_FAILED, strFolder);
        return;
    }
    if (g_pReceiver->GetDirList() < 0)
    {
        ReportFailure(MSG_LIST_FAILED, strFolder);
        return;
    }
    SetDeviceFolderText(strFolder);
    // A copy of its own: every nested call replaces the link's listing.
    const DirEntry* pEntries = g_pReceiver->Entries();
    const std::vector<DirEntry> vecEntries(
        pEntries, pEntries == nullptr ? pEntries : pEntries + g_pReceiver->m_nListCount);
    for (const DirEntry& entry : vecEntries)
    {
        const std::string strName = EntryName(entry);
        // A receiver that lists its "." and ".." entries must not have the
        // folder itself or its parent deleted through them.
        if (strName.empty() || strName == "." || strName == "..")
            continue;
        const std::string strPath = JoinReceiverPath(strFolder, strName);
        if (EntryIsFolder(entry))
        {
            DeleteFolderTree(strPath);
            continue;
        }
        if (g_pReceiver->Delete(strPath) < 0)
        {
            // The folder cannot be emptied now: leave the rest of it.
            ReportFailure(MSG_DELETE_FAILED, strPath);
            return;
        }
        g_pMainDlg->AddStatusMessage(MSG_DELETED + " : " + strPath, 0);
    }
    if (g_pReceiver->Delete(strFolder) < 0)
        ReportFailure(MSG_DELETE_FAILED, strFolder);
    else
        g_pMainDlg->AddStatusMessage(MSG_DELETED + " : " + strFolder, 0);
}
