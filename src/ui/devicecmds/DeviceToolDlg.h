// CDeviceToolDlg: the device pane's toolbar window and its four commands on
// the receiver's disk: new folder, rename, delete and refresh.
//
// The commands arrive as command events (wxEVT_BUTTON or wxEVT_MENU) with the
// ids below, from the toolbar's buttons and from the main window's Tool menu.
// They work in the receiver's current folder (the device path box) on the
// device pane's rows, on the user-interface thread. Receiver names are used
// as the rows' original bytes, never as displayed. Every failed receiver
// operation is followed by the link's Reset and a status line; without a
// connection the operations fail with the link's not-connected result.
#pragma once

#include "PaneToolDlg.h"

#include <string>

enum : int {
    IDD_DEVICE_TOOL = 150,
    IDC_DEVICE_NEW_FOLDER = 9013,
    IDC_DEVICE_RENAME = 9014,
    IDC_DEVICE_DELETE = 9015,
    IDC_DEVICE_REFRESH = 9016,
};

class CDeviceToolDlg : public CPaneToolDlg {
public:
    explicit CDeviceToolDlg(wxWindow* pParent);

    // Makes a sub-folder of the receiver's current folder with a name asked
    // by the Make Directory dialog; refused in a folder with 10 or more "/".
    // On success the pane and the disk space are refreshed.
    void OnNewFolder() override;
    // Renames the first selected row with a name asked by the Rename dialog.
    void OnRename() override;
    // Deletes every selected row, folders with all their contents, then
    // refreshes the pane once. Names that begin with "." are never deleted.
    void OnDelete() override;
    // Lists the receiver's current folder again, names ascending.
    void OnRefresh() override;

    // Deletes the entry of device pane row nIndex.
    void DeleteEntry(long nIndex);
    // Deletes the receiver folder strFolder (absolute) with its whole content,
    // depth first: each file before its folder, each folder right after its
    // contents. A file the receiver refuses ends the handling of its folder
    // (the rest of it stays); other branches go on. The device path box shows
    // each folder while it is emptied.
    void DeleteFolderTree(const std::string& strFolder);

private:
    std::string DeviceFolder() const;
    void SetDeviceFolderText(const std::string& strFolder);
    void ReportFailure(const std::string& strText, const std::string& strPath);
};
