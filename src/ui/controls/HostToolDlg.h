// CHostToolDlg: the host pane's toolbar window and its four commands on the
// PC's file system: new folder, rename, delete and refresh.
//
// The commands arrive as command events (wxEVT_BUTTON or wxEVT_MENU) with the
// ids below, from the toolbar's buttons and from the main window's Tool menu.
// Every command works in the host pane's folder (the host path box) on the
// host pane's rows, on the user-interface thread, and refreshes the pane at
// its end. Results of the file operations give no message: the refreshed pane
// shows them. Deletions add "Delete file" / "Delete direcotry" lines to the
// status list (only while status messages are shown).
#pragma once

#include "PaneToolDlg.h"

#include <string>

enum : int {
    IDD_HOST_TOOL = 149,
    IDC_HOST_NEW_FOLDER = 9008,
    IDC_HOST_RENAME = 9009,
    IDC_HOST_DELETE = 9010,
    IDC_HOST_REFRESH = 9011,
};

class CHostToolDlg : public CPaneToolDlg {
public:
    explicit CHostToolDlg(wxWindow* pParent);

    // Creates a sub-folder of the host folder with a name asked by the Make
    // Directory dialog; refused in a folder with 10 or more "/".
    void OnNewFolder() override;
    // Renames the first selected row with a name asked by the Rename dialog;
    // an existing entry of the new name is never replaced.
    void OnRename() override;
    // Deletes every selected row, folders with all their contents. Names
    // that begin with "." (the parent row among them) are never deleted.
    void OnDelete() override;
    // Lists the host folder again, names ascending.
    void OnRefresh() override;

private:
    // Deletes what row nIndex names; a row that no longer exists is skipped
    // without a message.
    void DeleteListItem(long nIndex);
    // Removes the folder with everything in it, contents first; symbolic
    // links inside are removed themselves, never followed.
    void DeleteFolderTree(std::string strFolder);

    std::string HostFolder() const;
    void AddDeleteLine(bool bFolder, const std::string& strPath);
};
