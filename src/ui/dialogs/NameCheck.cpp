#include "NameCheck.h"

#include "Catalogue.h"

std::string TrimName(std::string_view strName)
{
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const size_t nFirst = strName.find_first_not_of(kBlanks);
    if (nFirst == std::string_view::npos)
        return std::string();
    const size_t nLast = strName.find_last_not_of(kBlanks);
    return std::string(strName.substr(nFirst, nLast - nFirst + 1));
}

ENameCheck CheckName(std::string_view strTrimmed)
{
    if (strTrimmed.empty())
        return ENameCheck::Empty;
    if (strTrimmed.find_first_of(kForbiddenNameChars) != std::string_view::npos)
        return ENameCheck::InvalidChar;
    if (strTrimmed.size() > kMaxEntryNameBytes)
        return ENameCheck::TooLong;
    return ENameCheck::Ok;
}

std::string NameTooLongText(const std::string& strName)
{
    return strName + " " + MSG_NAME_TOO_LONG + " " + std::to_string(kMaxEntryNameBytes);
}
