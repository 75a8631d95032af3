#include "TextConv.h"

#include <cstdint>

namespace
{

// Length of the valid UTF-8 sequence at the start of s, or 0 when the first
// byte does not begin one (overlong forms, surrogates and values above
// U+10FFFF are invalid).
size_t ValidSequenceLength(std::string_view s)
{
    const auto b0 = static_cast<uint8_t>(s[0]);
    if (b0 < 0x80)
        return 1;
    size_t nLen = 0;
    uint32_t nCode = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF)
    {
        nLen = 2;
        nCode = b0 & 0x1F;
    }
    else if (b0 >= 0xE0 && b0 <= 0xEF)
    {
        nLen = 3;
        nCode = b0 & 0x0F;
    }
    else if (b0 >= 0xF0 && b0 <= 0xF4)
    {
        nLen = 4;
        nCode = b0 & 0x07;
    }
    else
        return 0;
    if (s.size() < nLen)
        return 0;
    for (size_t i = 1; i < nLen; ++i)
    {
        const auto b = static_cast<uint8_t>(s[i]);
        if ((b & 0xC0) != 0x80)
            return 0;
        nCode = (nCode << 6) | (b & 0x3F);
    }
    if ((nLen == 3 && nCode < 0x800) || (nLen == 4 && nCode < 0x10000) || nCode > 0x10FFFF ||
        (nCode >= 0xD800 && nCode <= 0xDFFF))
        return 0;
    return nLen;
}

}  // namespace

wxString ToDisplay(std::string_view bytes)
{
    std::string strOut;
    strOut.reserve(bytes.size());
    static const char kHex[] = "0123456789ABCDEF";
    while (!bytes.empty())
    {
        const size_t nLen = ValidSequenceLength(bytes);
        if (nLen == 0)
        {
            const auto b = static_cast<uint8_t>(bytes[0]);
            strOut += "\\x";
            strOut += kHex[b >> 4];
            strOut += kHex[b & 0x0F];
            bytes.remove_prefix(1);
        }
        else
        {
            strOut.append(bytes.substr(0, nLen));
            bytes.remove_prefix(nLen);
        }
    }
    return wxString::FromUTF8(strOut.data(), strOut.size());
}

std::string ToUtf8(const wxString& text)
{
    const wxScopedCharBuffer buf = text.utf8_str();
    return std::string(buf.data(), buf.length());
}
