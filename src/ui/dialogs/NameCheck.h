// The check every new file or folder name passes before it is used, on the PC
// and on the receiver alike.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Longest entry name in bytes: a receiver directory entry holds 59 name bytes
// and a terminating NUL.
constexpr size_t kMaxEntryNameBytes = 59;

// The characters no entry name may contain.
constexpr std::string_view kForbiddenNameChars = "\\/:*?\"<>|";

enum class ENameCheck {
    Ok,
    Empty,         // nothing left after trimming
    InvalidChar,   // one of kForbiddenNameChars
    TooLong,       // more than kMaxEntryNameBytes bytes
};

// The name without leading and trailing white space (blanks, tabs, line
// breaks); inner white space stays.
std::string TrimName(std::string_view strName);

// Checks a trimmed name, in this order: empty, forbidden characters, length
// in bytes. Bytes of 128 and above (parts of multi-byte characters) are never
// refused; they count towards the length.
ENameCheck CheckName(std::string_view strTrimmed);

// The too-long text for a name: the name, a blank, MSG_NAME_TOO_LONG (which
// ends with a blank), a blank and the limit.
std::string NameTooLongText(const std::string& strName);
