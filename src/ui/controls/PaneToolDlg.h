// CPaneToolDlg: what the two pane toolbars share. Four picture buttons (new
// folder, rename, delete, refresh) with consecutive command ids; a command
// arrives as wxEVT_BUTTON (a button) or wxEVT_MENU (the main window's Tool
// menu) and is handed to the pane's own handler. The toolbar takes no keys.
#pragma once

#include <wx/panel.h>

#include <array>

class CPictureButton;

class CPaneToolDlg : public wxPanel {
public:
    // nFirstCommand is the new-folder command; rename, delete and refresh follow.
    CPaneToolDlg(wxWindow* pParent, int nDialogId, int nFirstCommand);

    virtual void OnNewFolder() = 0;
    virtual void OnRename() = 0;
    virtual void OnDelete() = 0;
    virtual void OnRefresh() = 0;

protected:
    // New folder, rename, delete and refresh, at their places.
    std::array<CPictureButton*, 4> m_apButtons{};

private:
    void OnCommand(wxCommandEvent& event);

    const int m_nFirstCommand;
};
