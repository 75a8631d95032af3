// Helpers shared by the small dialogs: placing controls in dialog units, the
// program's message box, and the name check run when OK is pressed.
#pragma once

#include <wx/gdicmn.h>

#include <string>

class wxWindow;
class wxString;

// A rectangle given in dialog units (x, y, width, height), in pixels for the
// dialog's font.
wxRect DialogRect(wxWindow* pDialog, int x, int y, int w, int h);

// A message box owned by pOwner: OK button only, the program's name as
// caption.
void ShowDialogMessage(wxWindow* pOwner, const std::string& strText);

// The check behind OK of Make Directory and Rename: strMember takes the
// entered text trimmed; an empty name shows strEmptyText, a forbidden
// character MSG_INVALID_NAME_CHAR, more than kMaxEntryNameBytes bytes the
// too-long text, each in a message box owned by pOwner. True when the name
// passes.
bool AcceptEnteredName(wxWindow* pOwner, const wxString& entered, std::string& strMember,
                       const std::string& strEmptyText);
