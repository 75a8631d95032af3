#include "RenameDlg.h"

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "Catalogue.h"
#include "DialogSupport.h"
#include "TextConv.h"

CRenameDlg::CRenameDlg(wxWindow* pParent)
    : wxDialog(pParent, IDD_RENAME, ToDisplay(MSG_RENAME_TITLE))
{
    const long nLabelStyle = wxALIGN_RIGHT | wxST_NO_AUTORESIZE;
    m_staticCurrent = new wxStaticText(this, IDC_RENAME_CURRENT_LABEL,
                                       ToDisplay(MSG_CURRENT_NAME_LABEL), wxDefaultPosition,
                                       wxDefaultSize, nLabelStyle);
    m_staticCurrent->SetSize(DialogRect(this, 9, 18, 51, 8));
    m_editCurrent = new wxTextCtrl(this, IDC_RENAME_CURRENT, wxEmptyString, wxDefaultPosition,
                                   wxDefaultSize, wxTE_READONLY | wxBORDER_THEME);
    m_editCurrent->SetSize(DialogRect(this, 63, 16, 83, 14));
    m_staticNew = new wxStaticText(this, IDC_RENAME_NEW_LABEL, ToDisplay(MSG_NEW_NAME_LABEL),
                                   wxDefaultPosition, wxDefaultSize, nLabelStyle);
    m_staticNew->SetSize(DialogRect(this, 9, 39, 51, 8));
    m_editNew = new wxTextCtrl(this, IDC_RENAME_NEW, wxEmptyString, wxDefaultPosition,
                               wxDefaultSize, wxBORDER_THEME);
    m_editNew->SetSize(DialogRect(this, 63, 36, 83, 14));
    m_btnOk = new wxButton(this, wxID_OK, ToDisplay(MSG_BTN_OK));
    m_btnOk->SetSize(DialogRect(this, 11, 58, 50, 14));
    m_btnOk->SetDefault();
    m_btnCancel = new wxButton(this, wxID_CANCEL, ToDisplay(MSG_BTN_CANCEL));
    m_btnCancel->SetSize(DialogRect(this, 91, 57, 50, 14));
    SetClientSize(ConvertDialogToPixels(wxSize(155, 79)));
    CentreOnParent();
    m_editNew->SetFocus();

    Bind(wxEVT_BUTTON, &CRenameDlg::OnOK, this, wxID_OK);
}

bool CRenameDlg::TransferDataToWindow()
{
    m_editCurrent->ChangeValue(ToDisplay(m_strCurrentName));
    m_editNew->ChangeValue(ToDisplay(m_strNewName));
    return true;
}

void CRenameDlg::OnOK(wxCommandEvent& /*event*/)
{
    if (AcceptEnteredName(this, m_editNew->GetValue(), m_strNewName, MSG_NEED_FILE_NAME))
        EndDialog(wxID_OK);
}
