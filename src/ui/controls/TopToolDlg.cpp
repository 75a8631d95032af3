#include "TopToolDlg.h"

#include <wx/event.h>

#include "../CommandIds.h"
#include "Catalogue.h"
#include "ReceiverLink.h"
#include "main/StbDlg.h"

namespace
{

struct TopButton {
    int nId;
    wxRect rc;
    EPicture eUp;
    EPicture ePressed;
};

// Buttons 34 x 34 in a row, 2 pixels apart; the 30 x 30 pictures are drawn
// from their top-left corners.
const TopButton kButtons[] = {
    {IDC_TOP_CONNECT, wxRect(2, 0, 34, 34), EPicture::ConnectUp, EPicture::ConnectPressed},
    {IDC_TOP_PREFERENCE, wxRect(38, 0, 34, 34), EPicture::PreferenceUp,
     EPicture::PreferencePressed},
    {IDC_TOP_ABOUT, wxRect(74, 0, 34, 34), EPicture::AboutUp, EPicture::AboutPressed},
    {IDC_TOP_EXIT, wxRect(110, 0, 34, 34), EPicture::ExitUp, EPicture::ExitPressed},
};

bool LinkOpen()
{
    return g_pReceiver != nullptr && g_pReceiver->m_hDevice != nullptr;
}

}  // namespace

CTopToolDlg::CTopToolDlg(wxWindow* pParent)
    : wxPanel(pParent, IDD_TOP_TOOL, wxDefaultPosition, wxSize(kButtons[3].rc.GetRight() + 1, 34),
              wxBORDER_NONE)
{
    for (size_t i = 0; i < std::size(kButtons); ++i)
    {
        const TopButton& button = kButtons[i];
        m_apButtons[i] = new CPictureButton(this, button.nId, button.rc, button.eUp, button.ePressed);
        const int nId = button.nId;
        m_apButtons[i]->SetToolTipSource([nId] { return ToolTipFor(nId); });
    }
    Bind(wxEVT_BUTTON, &CTopToolDlg::OnButton, this, IDC_TOP_CONNECT, IDC_TOP_EXIT);
    Bind(wxEVT_MENU, &CTopToolDlg::OnButton, this, IDC_TOP_CONNECT, IDC_TOP_EXIT);
    Bind(wxEVT_CHAR_HOOK, &CTopToolDlg::OnKey, this);
    Bind(wxEVT_KEY_DOWN, &CTopToolDlg::OnKey, this);
    Bind(wxEVT_CHAR, &CTopToolDlg::OnKey, this);
}

void CTopToolDlg::ShowConnectButton()
{
    if (CPictureButton* pButton = GetButton(IDC_TOP_CONNECT))
        pButton->SetPictures(EPicture::ConnectUp, EPicture::ConnectPressed);
}

void CTopToolDlg::ShowDisconnectButton()
{
    if (CPictureButton* pButton = GetButton(IDC_TOP_CONNECT))
        pButton->SetPictures(EPicture::DisconnectUp, EPicture::DisconnectPressed);
}

CPictureButton* CTopToolDlg::GetButton(int nId) const
{
    for (CPictureButton* pButton : m_apButtons)
    {
        if (pButton != nullptr && pButton->GetId() == nId)
            return pButton;
    }
    return nullptr;
}

int CTopToolDlg::MenuCommandFor(int nId)
{
    switch (nId)
    {
    case IDC_TOP_CONNECT:
        return LinkOpen() ? IDM_DISCONNECT : IDM_CONNECT;
    case IDC_TOP_PREFERENCE:
        return IDM_PREFERENCE;
    case IDC_TOP_ABOUT:
        // The menu's About; the system's own About command leads to the same
        // dialog.
        return IDM_ABOUT;
    case IDC_TOP_EXIT:
        return IDM_EXIT;
    default:
        return 0;
    }
}

wxString CTopToolDlg::ToolTipFor(int nId)
{
    const std::string* pText = nullptr;
    switch (nId)
    {
    case IDC_TOP_CONNECT:
        pText = LinkOpen() ? &MSG_TIP_DISCONNECT : &MSG_TIP_CONNECT;
        break;
    case IDC_TOP_PREFERENCE:
        pText = &MSG_TIP_PREFERENCE;
        break;
    case IDC_TOP_ABOUT:
        pText = &MSG_TIP_ABOUT;
        break;
    case IDC_TOP_EXIT:
        pText = &MSG_TIP_EXIT;
        break;
    default:
        return wxString();
    }
    return wxString::FromUTF8(*pText);
}

void CTopToolDlg::OnButton(wxCommandEvent& event)
{
    const int nCommand = MenuCommandFor(event.GetId());
    wxWindow* pTarget = m_pTarget != nullptr ? m_pTarget : static_cast<wxWindow*>(g_pMainDlg);
    if (nCommand == 0 || pTarget == nullptr)
        return;
    // Sent, not posted: the command has run when the click is over.
    wxCommandEvent command(wxEVT_MENU, WxCommandId(nCommand));
    command.SetEventObject(pTarget);
    pTarget->GetEventHandler()->ProcessEvent(command);
}

void CTopToolDlg::OnKey(wxKeyEvent& /*event*/)
{
    // Swallowed: a key never presses a toolbar button, and Enter or Escape
    // never reach a default or cancel action through the toolbar.
}
