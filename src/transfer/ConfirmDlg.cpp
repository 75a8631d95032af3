#include "ConfirmDlg.h"

#include <wx/button.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "Catalogue.h"
#include "TextConv.h"
#include "UiThread.h"

std::string OverwriteQuestion(const std::string& strName)
{
    return strName + " " + MSG_ALREADY_EXISTS;
}

CConfirmDlg::CConfirmDlg(wxWindow* pParent)
    : wxDialog(pParent, IDD_CONFIRM, ToDisplay(MSG_CONFIRM_TITLE), wxDefaultPosition,
               wxDefaultSize, wxCAPTION)
{
    wxFont font(wxFontInfo(9).FaceName("Verdana"));
    if (font.IsOk())
        SetFont(font);
    auto place = [this](wxWindow* pWindow, int x, int y, int w, int h) {
        pWindow->SetSize(wxRect(ConvertDialogToPixels(wxPoint(x, y)),
                                ConvertDialogToPixels(wxSize(w, h))));
    };
    auto pBox = new wxStaticBox(this, wxID_ANY, wxEmptyString);
    place(pBox, 4, 0, 130, 23);
    m_staticText = new wxStaticText(this, IDC_CONFIRM_TEXT, wxEmptyString, wxDefaultPosition,
                                    wxDefaultSize,
                                    wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE |
                                        wxST_ELLIPSIZE_MIDDLE);
    place(m_staticText, 7, 9, 124, 8);
    m_btnYes = new wxButton(this, wxID_OK, ToDisplay(MSG_BTN_YES));
    place(m_btnYes, 4, 28, 41, 12);
    m_btnNo = new wxButton(this, wxID_CANCEL, ToDisplay(MSG_BTN_NO));
    place(m_btnNo, 48, 28, 41, 12);
    m_btnYesToAll = new wxButton(this, IDC_CONFIRM_YES_TO_ALL, ToDisplay(MSG_BTN_YES_TO_ALL));
    place(m_btnYesToAll, 92, 28, 41, 12);
    SetClientSize(ConvertDialogToPixels(wxSize(137, 45)));
    m_btnYes->SetDefault();
    m_btnYes->SetFocus();
    SetAffirmativeId(wxID_OK);
    SetEscapeId(wxID_CANCEL);
    Centre();

    Bind(wxEVT_BUTTON, &CConfirmDlg::OnYes, this, wxID_OK);
    Bind(wxEVT_BUTTON, &CConfirmDlg::OnNo, this, wxID_CANCEL);
    Bind(wxEVT_BUTTON, &CConfirmDlg::OnYesToAll, this, IDC_CONFIRM_YES_TO_ALL);
    Bind(wxEVT_CLOSE_WINDOW, &CConfirmDlg::OnClose, this);
}

bool CConfirmDlg::TransferDataToWindow()
{
    m_staticText->SetLabel(ToDisplay(m_strMessage));
    m_staticText->SetToolTip(ToDisplay(m_strMessage));
    m_nResult = CONFIRM_NO;
    return true;
}

int CConfirmDlg::Ask()
{
    return ShowModal() == wxID_OK ? m_nResult : CONFIRM_NO;
}

void CConfirmDlg::OnYes(wxCommandEvent& /*event*/)
{
    m_nResult = CONFIRM_YES;
    EndDialog(wxID_OK);
}

void CConfirmDlg::OnNo(wxCommandEvent& /*event*/)
{
    m_nResult = CONFIRM_NO;
    EndDialog(wxID_CANCEL);
}

void CConfirmDlg::OnYesToAll(wxCommandEvent& /*event*/)
{
    m_nResult = CONFIRM_YES_TO_ALL;
    EndDialog(wxID_OK);
}

void CConfirmDlg::OnClose(wxCloseEvent& event)
{
    // No close box; a close request from elsewhere changes nothing.
    if (event.CanVeto())
        event.Veto();
}

int AskOverwrite(const std::string& strName)
{
    return RunOnUiThread([&strName] {
        CConfirmDlg dlg;
        dlg.m_strMessage = OverwriteQuestion(strName);
        return dlg.Ask();
    });
}
