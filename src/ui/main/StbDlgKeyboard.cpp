// CStbDlg: the window's keys, the Tool menu's pane commands and the centre
// buttons between the panes.
#include "StbDlg.h"

#include <wx/event.h>
#include <wx/msgdlg.h>

#include "../CommandIds.h"
#include "../MessageBox.h"
#include "../TextConv.h"
#include "Catalogue.h"
#include "DeviceToolDlg.h"
#include "HostToolDlg.h"
#include "PictureButton.h"

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

// True when pFocus is pWindow or one of its descendants: a list control
// gives the focus to its inner row window.
bool IsWithin(const wxWindow* pFocus, const wxWindow* pWindow)
{
    if (pWindow == nullptr)
        return false;
    for (const wxWindow* p = pFocus; p != nullptr; p = p->GetParent())
    {
        if (p == pWindow)
            return true;
        if (p->IsTopLevel())
            break;
    }
    return false;
}

}  // namespace

void CStbDlg::InitKeyboard()
{
    // Every key-down of any child reaches the frame here first (unless a
    // toolbar, which swallows its keys, got it before).
    Bind(wxEVT_CHAR_HOOK, &CStbDlg::OnCharHook, this);

    for (const ToolForward& fwd : kToolForwards)
    {
        Bind(
            wxEVT_MENU,
            [this, fwd](wxCommandEvent&) { PostToolCommand(fwd.bHost, fwd.nToolId); },
            WxCommandId(fwd.nMenuId));
    }

    // The centre buttons: Upload (receiver to PC) above, Download (PC to
    // receiver) below. A click is the menu command of the same name, posted
    // so that the button has let go of the mouse before a job starts.
    const MainLayout l = ComputeMainLayout(m_rcClient.width, m_rcClient.height, true);
    struct Centre {
        wxWindow** ppButton;
        int nId;
        int nMenuId;
        EPicture eUp;
        EPicture ePressed;
        const wxRect* pRect;
    };
    const Centre aCentre[] = {
        {&m_btnUpload, IDC_BTN_UPLOAD, IDM_UPLOAD, EPicture::UploadUp, EPicture::UploadPressed,
         &l.rcUpload},
        {&m_btnDownload, IDC_BTN_DOWNLOAD, IDM_DOWNLOAD, EPicture::DownloadUp,
         EPicture::DownloadPressed, &l.rcDownload},
    };
    for (const Centre& centre : aCentre)
    {
        if (*centre.ppButton != nullptr)
            continue;
        auto pButton =
            new CPictureButton(m_panel, centre.nId, *centre.pRect, centre.eUp, centre.ePressed);
        const int nId = centre.nId;
        pButton->SetToolTipSource([nId] { return CentreButtonTip(nId); });
        const int nMenuId = centre.nMenuId;
        pButton->Bind(wxEVT_BUTTON, [this, nMenuId](wxCommandEvent&) {
            auto pEvent = new wxCommandEvent(wxEVT_MENU, WxCommandId(nMenuId));
            pEvent->SetEventObject(this);
            QueueEvent(pEvent);
        });
        *centre.ppButton = pButton;
    }
}

void CStbDlg::OnCharHook(wxKeyEvent& event)
{
    // The key was sent to the window that has the keyboard focus.
    wxWindow* pFocus = wxDynamicCast(event.GetEventObject(), wxWindow);
    if (pFocus == nullptr)
        pFocus = wxWindow::FindFocus();
    if (!HandleKeyDown(event.GetKeyCode(), pFocus))
        event.Skip();
}

bool CStbDlg::HandleKeyDown(int nKeyCode, wxWindow* pFocus)
{
    switch (nKeyCode)
    {
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
    case WXK_ESCAPE:
        return true;
    case WXK_DELETE:
    case WXK_NUMPAD_DELETE:
        OnDeleteKey(pFocus);
        return true;
    case WXK_F5:
        // Refreshes the pane that has the focus, as its toolbar's Refresh.
        if (IsWithin(pFocus, m_listHost))
        {
            PostToolCommand(true, IDC_HOST_REFRESH);
            return true;
        }
        if (IsWithin(pFocus, m_listDevice))
        {
            PostToolCommand(false, IDC_DEVICE_REFRESH);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void CStbDlg::OnDeleteKey(wxWindow* pFocus)
{
    const bool bHost = IsWithin(pFocus, m_listHost);
    if (!bHost && !IsWithin(pFocus, m_listDevice))
        return;
    const CPaneList* pList = bHost ? m_listHost : m_listDevice;
    // Row 0 is ".." (or, at a root, the first entry): then the key does
    // nothing, whatever else is selected.
    const long nFirst = pList->FirstSelectedRow();
    if (nFirst <= 0)
        return;
    if (!bHost)
    {
        if (g_bDeviceItemEditable == 0)
            return;
        // The flag follows the last click; the keyboard may have moved the
        // selection since. The receiver's protected folders are never
        // deleted by the key.
        const std::string strFolder = GetDevicePath();
        for (long nRow : pList->SelectedRows())
        {
            if (!IsDeviceItemEditable(strFolder, pList->RowName(nRow)))
                return;
        }
    }
    if (ShowMessageBox(MSG_CONFIRM_DELETE, pList->RowName(nFirst), wxYES_NO | wxICON_QUESTION,
                       this) != wxYES)
        return;
    PostToolCommand(bHost, bHost ? int{IDC_HOST_DELETE} : int{IDC_DEVICE_DELETE});
}

void CStbDlg::PostToolCommand(bool bHost, int nToolId)
{
    wxWindow* pTool = bHost ? m_dlgHostTool : m_dlgDeviceTool;
    if (pTool == nullptr)
        return;
    // Posted, not sent: the menu or the question closes before the command
    // runs.
    wxCommandEvent event(wxEVT_BUTTON, nToolId);
    event.SetEventObject(pTool);
    wxPostEvent(pTool, event);
}

wxString CStbDlg::CentreButtonTip(int nId)
{
    switch (nId)
    {
    case IDC_BTN_UPLOAD:
        return ToDisplay(MSG_TIP_UPLOAD);
    case IDC_BTN_DOWNLOAD:
        return ToDisplay(MSG_TIP_DOWNLOAD);
    default:
        return wxString();
    }
}
