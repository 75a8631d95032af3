#include "MakeDirDlg.h"

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "Catalogue.h"
#include "DialogSupport.h"
#include "TextConv.h"

CMakeDirDlg::CMakeDirDlg(wxWindow* pParent)
    : wxDialog(pParent, IDD_MAKE_DIR, ToDisplay(MSG_MAKE_DIR_TITLE))
{
    m_staticLabel = new wxStaticText(this, IDC_MAKE_DIR_LABEL, ToDisplay(MSG_DIR_NAME_LABEL),
                                     wxDefaultPosition, wxDefaultSize,
                                     wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
    m_staticLabel->SetSize(DialogRect(this, 7, 11, 56, 8));
    m_editName = new wxTextCtrl(this, IDC_MAKE_DIR_NAME, wxEmptyString, wxDefaultPosition,
                                wxDefaultSize, wxBORDER_THEME);
    m_editName->SetSize(DialogRect(this, 65, 8, 80, 14));
    m_btnOk = new wxButton(this, wxID_OK, ToDisplay(MSG_BTN_OK));
    m_btnOk->SetSize(DialogRect(this, 16, 30, 50, 14));
    m_btnOk->SetDefault();
    m_btnCancel = new wxButton(this, wxID_CANCEL, ToDisplay(MSG_BTN_CANCEL));
    m_btnCancel->SetSize(DialogRect(this, 87, 30, 50, 14));
    SetClientSize(ConvertDialogToPixels(wxSize(153, 51)));
    CentreOnParent();
    m_editName->SetFocus();

    Bind(wxEVT_BUTTON, &CMakeDirDlg::OnOK, this, wxID_OK);
}

bool CMakeDirDlg::TransferDataToWindow()
{
    m_editName->ChangeValue(ToDisplay(m_strName));
    return true;
}

void CMakeDirDlg::OnOK(wxCommandEvent& /*event*/)
{
    if (AcceptEnteredName(this, m_editName->GetValue(), m_strName, MSG_NEED_DIR_NAME))
        EndDialog(wxID_OK);
}
