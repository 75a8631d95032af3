// CStbDlg: the About and Preference dialogs, and the pane toolbar windows
// that carry out the Tool menu's pane commands.
#include "StbDlg.h"

#include <wx/event.h>

#include "AboutDlg.h"
#include "Catalogue.h"
#include "DeviceToolDlg.h"
#include "HostToolDlg.h"
#include "PreferenceDlg.h"

namespace
{

// Tool menu commands and the pane toolbar commands they stand for.
struct ToolForward {
    int nMenuId;
    int nToolId;
    bool bHost;
};
constexpr ToolForward kToolForwards[] = {
    {IDM_HOST_NEW_FOLDER, IDC_HOST_NEW_FOLDER, true},
    {IDM_HOST_RENAME, IDC_HOST_RENAME, true},
    {IDM_HOST_DELETE, IDC_HOST_DELETE, true},
    {IDM_HOST_REFRESH, IDC_HOST_REFRESH, true},
    {IDM_DEVICE_NEW_FOLDER, IDC_DEVICE_NEW_FOLDER, false},
    {IDM_DEVICE_RENAME, IDC_DEVICE_RENAME, false},
    {IDM_DEVICE_DELETE, IDC_DEVICE_DELETE, false},
    {IDM_DEVICE_REFRESH, IDC_DEVICE_REFRESH, false},
};

}  // namespace

void CStbDlg::InitDialogs()
{
    m_dlgHostTool = new CHostToolDlg(m_panel);
    m_dlgDeviceTool = new CDeviceToolDlg(m_panel);

    Bind(wxEVT_MENU, &CStbDlg::OnAbout, this, WxCommandId(IDM_ABOUT));
    Bind(wxEVT_MENU, &CStbDlg::OnAbout, this, wxID_ABOUT);
    Bind(wxEVT_MENU, &CStbDlg::OnPreference, this, WxCommandId(IDM_PREFERENCE));
    for (const ToolForward& fwd : kToolForwards)
    {
        Bind(
            wxEVT_MENU,
            [this, fwd](wxCommandEvent&) { PostToolCommand(fwd.bHost, fwd.nToolId); },
            WxCommandId(fwd.nMenuId));
    }
}

void CStbDlg::PostToolCommand(bool bHost, int nToolId)
{
    wxWindow* pTool = bHost ? m_dlgHostTool : m_dlgDeviceTool;
    if (pTool == nullptr)
        return;
    // Posted, not sent: the menu closes before the command runs.
    wxCommandEvent event(wxEVT_BUTTON, nToolId);
    event.SetEventObject(pTool);
    wxPostEvent(pTool, event);
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
