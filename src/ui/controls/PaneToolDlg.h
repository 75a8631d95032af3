// CPaneToolDlg: what the two pane toolbars share. Four picture buttons (new
// folder, rename, delete, refresh) with consecutive command ids; a command
// arrives as wxEVT_BUTTON (a button) or wxEVT_MENU (the main window's Tool
// menu) and is handed to the pane's own handler. The toolbar takes no keys.
#pragma once

#include <wx/panel.h>

#include <array>
#include <string>

class CPictureButton;
struct PaneRow;

class CPaneToolDlg : public wxPanel {
public:
    // nFirstCommand is the new-folder command; rename, delete and refresh follow.
    CPaneToolDlg(wxWindow* pParent, int nDialogId, int nFirstCommand);

    virtual void OnNewFolder() = 0;
    virtual void OnRename() = 0;
    virtual void OnDelete() = 0;
    virtual void OnRefresh() = 0;

protected:
    // The first half of a new-folder command in strFolder: refused with a
    // message in a folder with 10 or more "/", otherwise the Make Directory
    // dialog asks the name. True with strName when the user confirmed one.
    bool AskNewFolderName(const std::string& strFolder, std::string& strName);
    // The first half of a rename command on pRow (the pane's first selected
    // row): without a row the user is asked to select one, otherwise the
    // Rename dialog asks the new name. True with the current and the new
    // name when the user confirmed.
    bool AskNewName(const PaneRow* pRow, std::string& strCurrent, std::string& strNew);

    // New folder, rename, delete and refresh, at their places.
    std::array<CPictureButton*, 4> m_apButtons{};

private:
    void OnCommand(wxCommandEvent& event);

    const int m_nFirstCommand;
};
