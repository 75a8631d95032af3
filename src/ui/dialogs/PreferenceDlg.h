// CPreferenceDlg: the user-interface language and whether status messages are
// listed.
//
// OK applies everything at once: g_nLanguage, the catalogue, the main
// window's column captions, menu bar and title, and g_bShowStatus. The
// settings file is written only when the program ends. Cancel changes
// nothing.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxCheckBox;
class wxChoice;
class wxStaticText;

enum : int {
    IDD_PREFERENCE = 167,
    IDC_PREF_LANGUAGE = 1023,
    IDC_PREF_SHOW_STATUS = 1026,
    IDC_PREF_LANGUAGE_LABEL = 1029,
};

class CPreferenceDlg : public wxDialog {
public:
    explicit CPreferenceDlg(wxWindow* pParent = nullptr);

    // Shows the dialog modally; wxID_OK or wxID_CANCEL.
    int DoModal() { return ShowModal(); }

    // Applies the dialog's choices as OK does, without closing it.
    void ApplySettings();

    wxStaticText* m_staticLanguage = nullptr;  // IDC_PREF_LANGUAGE_LABEL
    wxChoice* m_comboLanguage = nullptr;       // IDC_PREF_LANGUAGE; item index = language
    wxCheckBox* m_checkShowStatus = nullptr;   // IDC_PREF_SHOW_STATUS
    wxButton* m_btnOk = nullptr;
    wxButton* m_btnCancel = nullptr;

private:
    void OnOK(wxCommandEvent& event);
};
