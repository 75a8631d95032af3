// CRenameDlg: asks for the new name of a file or folder (PC or receiver).
//
// The caller sets m_strCurrentName (shown read-only) before DoModal. On OK
// the new name is trimmed and checked (AcceptEnteredName); the dialog ends
// with wxID_OK only when it passes, and m_strNewName then holds a non-empty
// name of at most 59 bytes without any of \ / : * ? " < > |. The new name is
// not compared with the current one. Cancel checks nothing.
#pragma once

#include <wx/dialog.h>

#include <string>

class wxButton;
class wxStaticText;
class wxTextCtrl;

enum : int {
    IDD_RENAME = 166,
    IDC_RENAME_NEW = 1015,
    IDC_RENAME_CURRENT = 1016,
    IDC_RENAME_CURRENT_LABEL = 1030,
    IDC_RENAME_NEW_LABEL = 1031,
};

class CRenameDlg : public wxDialog {
public:
    explicit CRenameDlg(wxWindow* pParent = nullptr);

    // Shows the dialog modally; wxID_OK or wxID_CANCEL.
    int DoModal() { return ShowModal(); }

    bool TransferDataToWindow() override;

    // The entry's present name as bytes (a receiver name need not be valid
    // UTF-8; it is shown with such bytes escaped).
    std::string m_strCurrentName;
    // The entered name, UTF-8; starts empty.
    std::string m_strNewName;

    wxStaticText* m_staticCurrent = nullptr;  // IDC_RENAME_CURRENT_LABEL
    wxStaticText* m_staticNew = nullptr;      // IDC_RENAME_NEW_LABEL
    wxTextCtrl* m_editCurrent = nullptr;      // IDC_RENAME_CURRENT, read-only
    wxTextCtrl* m_editNew = nullptr;          // IDC_RENAME_NEW
    wxButton* m_btnOk = nullptr;
    wxButton* m_btnCancel = nullptr;

private:
    void OnOK(wxCommandEvent& event);
};
