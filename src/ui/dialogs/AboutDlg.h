// CAboutDlg: the version text and the receiver's disk sizes.
//
// While connected the dialog asks the receiver for its disk information and
// shows the free and total size by the status bar's unit rule (CStbDlg::DiskSpaceText). When the
// query fails the link is reset and "Get disk information failed" goes to the
// status list; the size labels then keep their plain texts, as they do while
// not connected.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxStaticBitmap;
class wxStaticText;

enum : int {
    IDD_ABOUT = 100,
    IDC_ABOUT_TOTAL = 1021,
    IDC_ABOUT_FREE = 1022,
    IDC_ABOUT_TEXT = 1027,
};

class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* pParent = nullptr);

    // Shows the dialog modally.
    int DoModal() { return ShowModal(); }

    wxStaticBitmap* m_bitmapIcon = nullptr;
    wxStaticText* m_staticText = nullptr;   // IDC_ABOUT_TEXT
    wxStaticText* m_staticTotal = nullptr;  // IDC_ABOUT_TOTAL
    wxStaticText* m_staticFree = nullptr;   // IDC_ABOUT_FREE
    wxButton* m_btnOk = nullptr;

private:
    void ShowDiskSizes();
};
