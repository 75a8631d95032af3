// CTopToolDlg: the toolbar across the top of the main window.
//
// Four picture buttons in a row: connect (or disconnect while the link is
// open), preferences, about and exit. A click sends the main window the menu
// command of the same meaning, as if the user had chosen it from the menu;
// the connect button asks for Connect or Disconnect by the link's state at
// the moment of the click, whatever picture it shows. Tooltips are fetched
// from the catalogue every time they show. Every key that reaches the
// toolbar is swallowed.
#pragma once

#include <wx/panel.h>

#include <array>

#include "PictureButton.h"

class wxKeyEvent;

enum : int {
    IDD_TOP_TOOL = 131,
    IDC_TOP_CONNECT = 9001,
    IDC_TOP_PREFERENCE = 9002,
    IDC_TOP_ABOUT = 9003,
    IDC_TOP_EXIT = 9004,
};

class CTopToolDlg : public wxPanel {
public:
    explicit CTopToolDlg(wxWindow* pParent);

    // The connect button's look while the link is closed: the linked screens.
    void ShowConnectButton();
    // Its look while the link is open: the screens crossed out in red.
    void ShowDisconnectButton();

    // The button of a command (IDC_TOP_...), or null.
    CPictureButton* GetButton(int nId) const;

    // The menu command (IDM_ number) a click on a button sends now, or 0.
    static int MenuCommandFor(int nId);
    // The tooltip a button shows now, in the current language.
    static wxString ToolTipFor(int nId);

    // Where the commands go: the main window (g_pMainDlg) unless set here.
    void SetCommandTarget(wxWindow* pTarget) { m_pTarget = pTarget; }

    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    void OnButton(wxCommandEvent& event);
    void OnKey(wxKeyEvent& event);

    std::array<CPictureButton*, 4> m_apButtons{};
    wxWindow* m_pTarget = nullptr;
};
