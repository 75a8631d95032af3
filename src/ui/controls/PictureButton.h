// CPictureButton: a push button that is nothing but its pictures.
//
// It shows its up picture, the pressed picture while the left button is held
// down over it, and the disabled picture (or, when it has none, the up
// picture) while it is disabled. Each picture is drawn from the button's
// top-left corner; what the picture does not cover shows the parent's
// background. A click (press and release over the button) sends wxEVT_BUTTON
// with the button's id, which travels up to the parent like a push button's.
//
// The button never takes the keyboard focus, as toolbar buttons do not, so
// clicking it leaves the focus on the pane the user works in.
//
// Tooltips: with SetToolTipSource the tooltip text is fetched anew every time
// the mouse enters the button, so it always shows the current language and
// state.
#pragma once

#include <wx/bmpbndl.h>
#include <wx/window.h>

#include <array>
#include <functional>
#include <optional>

#include "../Pictures.h"

class wxMouseEvent;
class wxMouseCaptureLostEvent;
class wxPaintEvent;

class CPictureButton : public wxWindow {
public:
    // A button at rc (in the parent's client coordinates) with its up,
    // pressed and optional disabled pictures.
    CPictureButton(wxWindow* pParent, wxWindowID nId, const wxRect& rc, EPicture eUp,
                   EPicture ePressed, std::optional<EPicture> eDisabled = std::nullopt);

    // Replaces the pictures and repaints.
    void SetPictures(EPicture eUp, EPicture ePressed,
                     std::optional<EPicture> eDisabled = std::nullopt);

    // Tooltip text, asked for each time the mouse enters the button.
    void SetToolTipSource(std::function<wxString()> fnText);

    EPicture GetUpPicture() const { return m_eUp; }
    EPicture GetPressedPicture() const { return m_ePressed; }
    std::optional<EPicture> GetDisabledPicture() const { return m_eDisabled; }
    // The picture the button shows now.
    EPicture GetShownPicture() const;

    // Sends the button's wxEVT_BUTTON as a click does; nothing while disabled.
    void Click();

    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

protected:
    wxSize DoGetBestClientSize() const override;
    void DoEnable(bool bEnable) override;

private:
    void OnPaint(wxPaintEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnEnter(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void EndPress();

    EPicture m_eUp;
    EPicture m_ePressed;
    std::optional<EPicture> m_eDisabled;
    wxBitmapBundle m_bmpUp;
    wxBitmapBundle m_bmpPressed;
    wxBitmapBundle m_bmpDisabled;
    std::function<wxString()> m_fnToolTip;
    bool m_bTracking = false;  // the left button went down on the button and is held
    bool m_bInside = false;    // ... and the mouse is over the button
};

// The four buttons of a pane toolbar (host or device), made in pParent: new
// folder, rename, delete and refresh, 40 x 30 each in a column 2 pixels
// apart from y = 2, with ids nFirstId to nFirstId + 3, their up, pressed and
// (rename and delete) grey pictures, and catalogue tooltips. Rename and
// delete start disabled. Returned in that order.
std::array<CPictureButton*, 4> CreatePaneToolButtons(wxWindow* pParent, int nFirstId);
