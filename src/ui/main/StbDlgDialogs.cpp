// CStbDlg: the About and Preference dialogs, and the pane toolbar windows
// that carry out the Tool menu's pane commands (forwarded by
// StbDlgKeyboard.cpp).
#include "StbDlg.h"

#include <wx/event.h>

#include "AboutDlg.h"
#include "Catalogue.h"
#include "DeviceToolDlg.h"
#include "HostToolDlg.h"
#include "PreferenceDlg.h"

void CStbDlg::InitDialogs()
{
    m_dlgHostTool = new CHostToolDlg(m_panel);
    m_dlgDeviceTool = new CDeviceToolDlg(m_panel);

    Bind(wxEVT_MENU, &CStbDlg::OnAbout, this, WxCommandId(IDM_ABOUT));
    Bind(wxEVT_MENU, &CStbDlg::OnAbout, this, wxID_ABOUT);
    Bind(wxEVT_MENU, &CStbDlg::OnPreference, this, WxCommandId(IDM_PREFERENCE));
}

void CStbDlg::OnAbout(wxCommandEvent& /*event*/)
{
    CAboutDlg dlg;
    dlg.DoModal();
}

void CStbDlg::OnPreference(wxCommandEvent& /*event*/)
{
    // The dialog applies its settings itself on OK.
    CPreferenceDlg dlg;
    dlg.DoModal();
}
