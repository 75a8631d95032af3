// ASCII-only case folding shared by the platform services. Names in /proc and
// keys in the settings file are compared without regard to the locale.
#pragma once

#include <cstddef>
#include <string_view>

inline char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when a and b are equal apart from the case of ASCII letters.
inline bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}
