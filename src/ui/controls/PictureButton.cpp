#include "PictureButton.h"

#include <wx/dcbuffer.h>
#include <wx/event.h>

#include <string>

#include "Catalogue.h"

CPictureButton::CPictureButton(wxWindow* pParent, wxWindowID nId, const wxRect& rc, EPicture eUp,
                               EPicture ePressed, std::optional<EPicture> eDisabled)
    : wxWindow(pParent, nId, rc.GetPosition(), rc.GetSize(), wxBORDER_NONE),
      m_eUp(eUp),
      m_ePressed(ePressed)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetPictures(eUp, ePressed, eDisabled);
    Bind(wxEVT_PAINT, &CPictureButton::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CPictureButton::OnLeftDown, this);
    // GTK reports the second press of a quick double click as a double
    // click; it is still a press of the button.
    Bind(wxEVT_LEFT_DCLICK, &CPictureButton::OnLeftDown, this);
    Bind(wxEVT_LEFT_UP, &CPictureButton::OnLeftUp, this);
    Bind(wxEVT_MOTION, &CPictureButton::OnMotion, this);
    Bind(wxEVT_ENTER_WINDOW, &CPictureButton::OnEnter, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CPictureButton::OnCaptureLost, this);
}

void CPictureButton::SetPictures(EPicture eUp, EPicture ePressed, std::optional<EPicture> eDisabled)
{
    m_eUp = eUp;
    m_ePressed = ePressed;
    m_eDisabled = eDisabled;
    m_bmpUp = GetPicture(eUp);
    m_bmpPressed = GetPicture(ePressed);
    m_bmpDisabled = eDisabled ? GetPicture(*eDisabled) : wxBitmapBundle();
    Refresh();
}

void CPictureButton::SetToolTipSource(std::function<wxString()> fnText)
{
    m_fnToolTip = std::move(fnText);
    if (m_fnToolTip)
        SetToolTip(m_fnToolTip());
}

EPicture CPictureButton::GetShownPicture() const
{
    if (!IsThisEnabled())
        return m_eDisabled.value_or(m_eUp);
    return m_bTracking && m_bInside ? m_ePressed : m_eUp;
}

void CPictureButton::Click()
{
    if (!IsEnabled())
        return;
    wxCommandEvent event(wxEVT_BUTTON, GetId());
    event.SetEventObject(this);
    ProcessWindowEvent(event);
}

wxSize CPictureButton::DoGetBestClientSize() const
{
    return PictureSize(m_eUp);
}

void CPictureButton::DoEnable(bool bEnable)
{
    wxWindow::DoEnable(bEnable);
    if (!bEnable && m_bTracking)
        EndPress();
    // A disabled button gets no mouse-enter to refresh its tooltip with.
    if (m_fnToolTip)
        SetToolTip(m_fnToolTip());
    Refresh();
}

void CPictureButton::OnPaint(wxPaintEvent& /*event*/)
{
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    const wxBitmapBundle* pBundle = &m_bmpUp;
    if (!IsThisEnabled())
    {
        if (m_bmpDisabled.IsOk())
            pBundle = &m_bmpDisabled;
    }
    else if (m_bTracking && m_bInside)
    {
        pBundle = &m_bmpPressed;
    }
    if (pBundle->IsOk())
        dc.DrawBitmap(pBundle->GetBitmapFor(this), 0, 0, true);
}

void CPictureButton::OnLeftDown(wxMouseEvent& /*event*/)
{
    if (m_bTracking)
        return;
    m_bTracking = true;
    m_bInside = true;
    if (!HasCapture())
        CaptureMouse();
    Refresh();
}

void CPictureButton::OnMotion(wxMouseEvent& event)
{
    event.Skip();
    if (!m_bTracking)
        return;
    const bool bInside = wxRect(GetClientSize()).Contains(event.GetPosition());
    if (bInside != m_bInside)
    {
        m_bInside = bInside;
        Refresh();
    }
}

void CPictureButton::OnLeftUp(wxMouseEvent& event)
{
    if (!m_bTracking)
        return;
    const bool bClick = wxRect(GetClientSize()).Contains(event.GetPosition());
    EndPress();
    if (bClick)
        Click();
}

void CPictureButton::OnEnter(wxMouseEvent& event)
{
    event.Skip();
    if (m_fnToolTip)
        SetToolTip(m_fnToolTip());
}

void CPictureButton::OnCaptureLost(wxMouseCaptureLostEvent& /*event*/)
{
    // Another window took the mouse: the press is abandoned without a click.
    m_bTracking = false;
    m_bInside = false;
    Refresh();
}

void CPictureButton::EndPress()
{
    m_bTracking = false;
    m_bInside = false;
    if (HasCapture())
        ReleaseMouse();
    Refresh();
}

std::array<CPictureButton*, 4> CreatePaneToolButtons(wxWindow* pParent, int nFirstId)
{
    struct PaneButton {
        EPicture eUp;
        EPicture ePressed;
        std::optional<EPicture> eDisabled;
        const std::string* pTip;
        bool bEnabled;
    };
    const PaneButton aButtons[4] = {
        {EPicture::NewFolderUp, EPicture::NewFolderPressed, std::nullopt, &MSG_TIP_NEW_FOLDER, true},
        {EPicture::RenameUp, EPicture::RenamePressed, EPicture::RenameGrey, &MSG_TIP_RENAME, false},
        {EPicture::DeleteUp, EPicture::DeletePressed, EPicture::DeleteGrey, &MSG_TIP_DELETE, false},
        {EPicture::RefreshUp, EPicture::RefreshPressed, std::nullopt, &MSG_TIP_REFRESH, true},
    };
    std::array<CPictureButton*, 4> apButtons{};
    for (int i = 0; i < 4; ++i)
    {
        const PaneButton& button = aButtons[i];
        apButtons[i] = new CPictureButton(pParent, nFirstId + i, wxRect(0, 2 + 32 * i, 40, 30),
                                          button.eUp, button.ePressed, button.eDisabled);
        const std::string* pTip = button.pTip;
        apButtons[i]->SetToolTipSource([pTip] { return wxString::FromUTF8(*pTip); });
        if (!button.bEnabled)
            apButtons[i]->Enable(false);
    }
    return apButtons;
}
