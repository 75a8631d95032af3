#include "HostToolDlg.h"

#include "Catalogue.h"
#include "DialogSupport.h"
#include "HostFileOps.h"
#include "HostPath.h"
#include "StbDlg.h"
#include "TextConv.h"

CHostToolDlg::CHostToolDlg(wxWindow* pParent) : CPaneToolDlg(pParent, IDD_HOST_TOOL, IDC_HOST_NEW_FOLDER) {}

std::string CHostToolDlg::HostFolder() const
{
    return g_pMainDlg->GetHostPath();
}

void CHostToolDlg::OnNewFolder()
{
    if (g_pMainDlg == nullptr)
        return;
    const std::string strFolder = HostFolder();
    std::string strName;
    if (!AskNewFolderName(strFolder, strName))
        return;
    // Whether it worked shows in the refreshed pane.
    (void)MakeHostFolder(JoinHostPath(strFolder, strName));
    OnRefresh();
}

void CHostToolDlg::OnRename()
{
    if (g_pMainDlg == nullptr)
        return;
    const PaneRow* pRow = g_pMainDlg->m_listHost->Row(g_pMainDlg->m_listHost->FirstSelectedRow());
    const std::string strFolder = HostFolder();
    std::string strCurrent;
    std::string strNew;
    if (!AskNewName(pRow, strCurrent, strNew))
        return;
    // Refuses (EEXIST) rather than replace an entry of the new name.
    (void)RenameHostEntry(JoinHostPath(strFolder, strCurrent), JoinHostPath(strFolder, strNew));
    OnRefresh();
}

void CHostToolDlg::OnDelete()
{
    if (g_pMainDlg == nullptr)
        return;
    const std::vector<long> vecSelected = g_pMainDlg->m_listHost->SelectedRows();
    if (vecSelected.empty())
    {
        ShowDialogMessage(this, MSG_SELECT_ITEM);
        return;
    }
    // The pane is not refilled before the end, so the indices stay valid.
    for (long nIndex : vecSelected)
        DeleteListItem(nIndex);
    OnRefresh();
}

void CHostToolDlg::OnRefresh()
{
    if (g_pMainDlg == nullptr)
        return;
    g_pMainDlg->RefreshHostList(HostFolder(), 1, 0);
}

void CHostToolDlg::DeleteListItem(long nIndex)
{
    const PaneRow* pRow = g_pMainDlg->m_listHost->Row(nIndex);
    // A leading full stop keeps ".." and hidden entries from being deleted.
    if (pRow == nullptr || pRow->strName.empty() || pRow->strName[0] == '.')
        return;
    const std::string strPath = JoinHostPath(HostFolder(), pRow->strName);
    if (!HostEntryExists(strPath))
        return;
    // Only a real folder is emptied; a link to a folder is removed itself.
    if (IsHostFolderNoFollow(strPath))
    {
        DeleteFolderTree(strPath);
        return;
    }
    (void)DeleteHostFile(strPath);
    AddDeleteLine(false, strPath);
}

void CHostToolDlg::DeleteFolderTree(std::string strFolder)
{
    (void)DeleteHostFolderTree(strFolder, [this](bool bFolder, const std::string& strPath) {
        AddDeleteLine(bFolder, strPath);
    });
}

void CHostToolDlg::AddDeleteLine(bool bFolder, const std::string& strPath)
{
    // A failed removal is reported the same way; the refresh shows what is left.
    g_pMainDlg->AddStatusMessage((bFolder ? MSG_DELETE_DIR : MSG_DELETE_FILE) + " : " + strPath, 0);
}
