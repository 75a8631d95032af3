// CConfirmDlg: the overwrite question of the transfer jobs.
//
// Asked before an existing destination file is overwritten or an existing
// destination folder is entered. Three answers: YES (the default button, so
// Enter answers it), NO (also Esc) and YES TO ALL. ShowModal returns wxID_OK
// for YES and YES TO ALL and wxID_CANCEL for NO; m_nResult tells them apart.
// What an answer means is the caller's business. A fresh object is used for
// every question; there is no close box.
#pragma once

#include <wx/dialog.h>

#include <string>

class wxButton;
class wxStaticText;

// Control ids of the question.
enum : int {
    IDD_CONFIRM = 175,
    IDC_CONFIRM_YES_TO_ALL = 3,
    IDC_CONFIRM_TEXT = 1024,
};

// Answers (CConfirmDlg::m_nResult).
enum : int {
    CONFIRM_NO = 0,
    CONFIRM_YES = 1,
    CONFIRM_YES_TO_ALL = 2,
};

// The question about an existing entry: the name, a blank, MSG_ALREADY_EXISTS.
std::string OverwriteQuestion(const std::string& strName);

class CConfirmDlg : public wxDialog {
public:
    explicit CConfirmDlg(wxWindow* pParent = nullptr);

    // Puts m_strMessage into the text and sets m_nResult to NO.
    bool TransferDataToWindow() override;

    // Asks and returns the answer: CONFIRM_YES, CONFIRM_NO or
    // CONFIRM_YES_TO_ALL. User-interface thread only.
    int Ask();

    int m_nResult = CONFIRM_NO;
    std::string m_strMessage;  // the question, UTF-8 (names shown as TextConv shows them)

    wxButton* m_btnYes = nullptr;
    wxButton* m_btnNo = nullptr;
    wxButton* m_btnYesToAll = nullptr;
    wxStaticText* m_staticText = nullptr;

private:
    void OnYes(wxCommandEvent& event);
    void OnNo(wxCommandEvent& event);
    void OnYesToAll(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
};

// Asks the overwrite question about strName from any thread: on a worker the
// question runs on the user-interface thread while the worker waits.
int AskOverwrite(const std::string& strName);
