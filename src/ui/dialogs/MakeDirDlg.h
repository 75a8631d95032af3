// CMakeDirDlg: asks for the name of a new folder (PC or receiver).
//
// On OK the name is trimmed and checked (AcceptEnteredName); the dialog ends
// with wxID_OK only when it passes, and m_strName then holds a non-empty name
// of at most 59 bytes without any of \ / : * ? " < > |. Cancel checks nothing.
#pragma once

#include <wx/dialog.h>

#include <string>

class wxButton;
class wxStaticText;
class wxTextCtrl;

enum : int {
    IDD_MAKE_DIR = 165,
    IDC_MAKE_DIR_NAME = 1014,
    IDC_MAKE_DIR_LABEL = 1028,
};

class CMakeDirDlg : public wxDialog {
public:
    explicit CMakeDirDlg(wxWindow* pParent = nullptr);

    // Shows the dialog modally; wxID_OK or wxID_CANCEL.
    int DoModal() { return ShowModal(); }

    bool TransferDataToWindow() override;

    // The entered name, UTF-8; starts empty.
    std::string m_strName;

    wxStaticText* m_staticLabel = nullptr;  // IDC_MAKE_DIR_LABEL
    wxTextCtrl* m_editName = nullptr;       // IDC_MAKE_DIR_NAME
    wxButton* m_btnOk = nullptr;
    wxButton* m_btnCancel = nullptr;

private:
    void OnOK(wxCommandEvent& event);
};
