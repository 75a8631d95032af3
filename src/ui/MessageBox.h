// Message boxes of Quorvane: texts are UTF-8 byte strings, and a box without
// a caption shows the program's name (MSG_APP_TITLE) as its caption.
#pragma once

#include <wx/msgdlg.h>

#include <string>

#include "Catalogue.h"
#include "TextConv.h"

// Shows a modal message box and returns wxYES, wxNO, wxOK or wxCANCEL as
// wxMessageBox does. nStyle takes wxMessageBox's styles (wxYES_NO,
// wxNO_DEFAULT, wxICON_WARNING, ...). User-interface thread only; a worker
// asks through RunOnUiThread (UiThread.h).
inline int ShowMessageBox(const std::string& strText, const std::string& strCaption = std::string(),
                          long nStyle = wxOK, wxWindow* pParent = nullptr)
{
    const std::string& strShownCaption = strCaption.empty() ? MSG_APP_TITLE : strCaption;
    return wxMessageBox(ToDisplay(strText), ToDisplay(strShownCaption), nStyle, pParent);
}
