// Conversions between the program's byte strings and wx's text.
//
// Catalogue texts and host names are UTF-8. Receiver names are byte strings
// that may not be valid UTF-8; they are shown with every invalid byte written
// as \xNN, and every operation keeps using the original bytes.
#pragma once

#include <wx/string.h>

#include <string>
#include <string_view>

// The bytes as text: valid UTF-8 sequences as their characters, every other
// byte as the four characters \xNN (upper-case hex).
wxString ToDisplay(std::string_view bytes);

// wx text back to UTF-8 bytes.
std::string ToUtf8(const wxString& text);
