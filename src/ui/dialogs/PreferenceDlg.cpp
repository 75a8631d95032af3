#include "PreferenceDlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/stattext.h>

#include "AppSettings.h"
#include "Catalogue.h"
#include "DialogSupport.h"
#include "StbDlg.h"
#include "TextConv.h"

CPreferenceDlg::CPreferenceDlg(wxWindow* pParent)
    : wxDialog(pParent, IDD_PREFERENCE, ToDisplay(MSG_PREFERENCE_TITLE))
{
    m_staticLanguage = new wxStaticText(this, IDC_PREF_LANGUAGE_LABEL,
                                        ToDisplay(MSG_LANGUAGE_LABEL), wxDefaultPosition,
                                        wxDefaultSize, wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
    m_staticLanguage->SetSize(DialogRect(this, 13, 9, 40, 8));
    // The item index is the language number: 0 English, 1 German, 2 Korean.
    m_comboLanguage = new wxChoice(this, IDC_PREF_LANGUAGE);
    for (const std::string* pName : {&MSG_LANG_ENGLISH, &MSG_LANG_GERMAN, &MSG_LANG_KOREAN})
        m_comboLanguage->Append(ToDisplay(*pName));
    // A stored number outside 0-2 selects nothing.
    if (g_nLanguage >= 0 && g_nLanguage < static_cast<int>(m_comboLanguage->GetCount()))
        m_comboLanguage->SetSelection(g_nLanguage);
    const wxRect rcCombo = DialogRect(this, 55, 7, 72, 12);
    m_comboLanguage->SetSize(rcCombo.x, rcCombo.y, rcCombo.width, wxDefaultCoord);
    m_checkShowStatus = new wxCheckBox(this, IDC_PREF_SHOW_STATUS,
                                       ToDisplay(MSG_SHOW_STATUS_LABEL));
    m_checkShowStatus->SetSize(DialogRect(this, 23, 30, 89, 10));
    m_checkShowStatus->SetValue(g_bShowStatus != 0);
    m_btnOk = new wxButton(this, wxID_OK, ToDisplay(MSG_BTN_OK));
    m_btnOk->SetSize(DialogRect(this, 7, 50, 50, 14));
    m_btnOk->SetDefault();
    m_btnCancel = new wxButton(this, wxID_CANCEL, ToDisplay(MSG_BTN_CANCEL));
    m_btnCancel->SetSize(DialogRect(this, 77, 50, 50, 14));
    SetClientSize(ConvertDialogToPixels(wxSize(134, 71)));
    CentreOnParent();

    Bind(wxEVT_BUTTON, &CPreferenceDlg::OnOK, this, wxID_OK);
}

void CPreferenceDlg::ApplySettings()
{
    // No selection (a stored language outside 0-2) gives -1, which acts as
    // English everywhere.
    g_nLanguage = m_comboLanguage->GetSelection();
    BuildCatalogue();
    if (g_pMainDlg != nullptr)
    {
        g_pMainDlg->UpdateColumnCaptions();
        // The new menu bar is exactly the language's menu, every item
        // enabled, also those that were greyed before.
        g_pMainDlg->LoadMainMenu();
        g_pMainDlg->SetTitle(ToDisplay(MSG_APP_TITLE));
    }
    g_bShowStatus = m_checkShowStatus->GetValue() ? 1 : 0;
}

void CPreferenceDlg::OnOK(wxCommandEvent& /*event*/)
{
    ApplySettings();
    EndDialog(wxID_OK);
}
