#include "PaneToolDlg.h"

#include "Catalogue.h"
#include "DialogSupport.h"
#include "HostPath.h"
#include "MakeDirDlg.h"
#include "PaneList.h"
#include "PictureButton.h"
#include "RenameDlg.h"

CPaneToolDlg::CPaneToolDlg(wxWindow* pParent, int nDialogId, int nFirstCommand)
    : wxPanel(pParent, nDialogId, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL),
      m_nFirstCommand(nFirstCommand)
{
    Bind(wxEVT_BUTTON, &CPaneToolDlg::OnCommand, this, nFirstCommand, nFirstCommand + 3);
    Bind(wxEVT_MENU, &CPaneToolDlg::OnCommand, this, nFirstCommand, nFirstCommand + 3);
    m_apButtons = CreatePaneToolButtons(this, nFirstCommand);

    // The toolbar never takes keys: they belong to the panes and the window.
    auto swallow = [](wxKeyEvent&) {};
    Bind(wxEVT_CHAR_HOOK, swallow);
    Bind(wxEVT_KEY_DOWN, swallow);
    Bind(wxEVT_CHAR, swallow);
}

void CPaneToolDlg::OnCommand(wxCommandEvent& event)
{
    switch (event.GetId() - m_nFirstCommand)
    {
    case 0: OnNewFolder(); break;
    case 1: OnRename(); break;
    case 2: OnDelete(); break;
    case 3: OnRefresh(); break;
    default: event.Skip(); break;
    }
}

bool CPaneToolDlg::AskNewFolderName(const std::string& strFolder, std::string& strName)
{
    // The same depth rule as the transfers: "/" characters in the folder text.
    if (IsFolderTooDeep(strFolder))
    {
        ShowDialogMessage(this, MSG_TOO_DEEP);
        return false;
    }
    CMakeDirDlg dlg;
    if (dlg.DoModal() != wxID_OK)
        return false;
    strName = dlg.m_strName;
    return true;
}

bool CPaneToolDlg::AskNewName(const PaneRow* pRow, std::string& strCurrent, std::string& strNew)
{
    if (pRow == nullptr)
    {
        ShowDialogMessage(this, MSG_SELECT_ITEM);
        return false;
    }
    CRenameDlg dlg;
    dlg.m_strCurrentName = pRow->strName;
    if (dlg.DoModal() != wxID_OK)
        return false;
    strCurrent = dlg.m_strCurrentName;
    strNew = dlg.m_strNewName;
    return true;
}
