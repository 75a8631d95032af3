#include "DialogSupport.h"

#include <wx/msgdlg.h>
#include <wx/window.h>

#include "Catalogue.h"
#include "NameCheck.h"
#include "TextConv.h"

wxRect DialogRect(wxWindow* pDialog, int x, int y, int w, int h)
{
    const wxPoint pos = pDialog->ConvertDialogToPixels(wxPoint(x, y));
    const wxSize size = pDialog->ConvertDialogToPixels(wxSize(w, h));
    return wxRect(pos, size);
}

void ShowDialogMessage(wxWindow* pOwner, const std::string& strText)
{
    wxMessageBox(ToDisplay(strText), ToDisplay(MSG_APP_TITLE), wxOK, pOwner);
}

bool AcceptEnteredName(wxWindow* pOwner, const wxString& entered, std::string& strMember,
                       const std::string& strEmptyText)
{
    strMember = TrimName(ToUtf8(entered));
    switch (CheckName(strMember))
    {
    case ENameCheck::Ok:
        return true;
    case ENameCheck::Empty:
        ShowDialogMessage(pOwner, strEmptyText);
        return false;
    case ENameCheck::InvalidChar:
        ShowDialogMessage(pOwner, MSG_INVALID_NAME_CHAR);
        return false;
    case ENameCheck::TooLong:
        ShowDialogMessage(pOwner, NameTooLongText(strMember));
        return false;
    }
    return false;
}
