#include "PaneToolDlg.h"

#include "PictureButton.h"

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
