#include "PaneSort.h"

#include <cwchar>
#include <cwctype>

namespace {

// A byte that is not part of valid UTF-8 becomes this code point plus the
// byte: a private-use character, which no collation ranks among letters and
// which keeps byte order among such bytes.
constexpr wchar_t kInvalidByteBase = 0xF700;

// Decodes UTF-8, lowering each character's case. Overlong forms, surrogates
// and values above U+10FFFF are invalid; every byte of an invalid sequence is
// taken on its own.
std::wstring DecodeFolded(std::string_view str)
{
    std::wstring out;
    out.reserve(str.size());
    const auto* p = reinterpret_cast<const unsigned char*>(str.data());
    const size_t n = str.size();
    size_t i = 0;
    while (i < n) {
        const unsigned c = p[i];
        if (c < 0x80) {
            out.push_back(static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))));
            ++i;
            continue;
        }
        size_t nLen = 0;
        char32_t cp = 0;
        char32_t cpMin = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            nLen = 2, cp = c & 0x1F, cpMin = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            nLen = 3, cp = c & 0x0F, cpMin = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            nLen = 4, cp = c & 0x07, cpMin = 0x10000;
        }
        bool bValid = nLen != 0 && i + nLen <= n;
        for (size_t k = 1; bValid && k < nLen; ++k) {
            const unsigned cc = p[i + k];
            if ((cc & 0xC0) != 0x80)
                bValid = false;
            else
                cp = (cp << 6) | (cc & 0x3F);
        }
        if (bValid && (cp < cpMin || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            bValid = false;
        if (!bValid) {
            out.push_back(static_cast<wchar_t>(kInvalidByteBase + c));
            ++i;
            continue;
        }
        out.push_back(static_cast<wchar_t>(std::towlower(static_cast<wint_t>(cp))));
        i += nLen;
    }
    return out;
}

int CompareBytes(std::string_view a, std::string_view b)
{
    const int n = a.compare(b);
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

}  // namespace

std::wstring MakeNameKey(std::string_view strName)
{
    const std::wstring strFolded = DecodeFolded(strName);
    // The folded text has no NUL (names have none), so it can go to wcsxfrm.
    const size_t nNeed = std::wcsxfrm(nullptr, strFolded.c_str(), 0);
    if (nNeed == static_cast<size_t>(-1))
        return strFolded;
    std::wstring strKey(nNeed + 1, L'\0');
    const size_t nGot = std::wcsxfrm(strKey.data(), strFolded.c_str(), strKey.size());
    if (nGot == static_cast<size_t>(-1) || nGot > nNeed)
        return strFolded;
    strKey.resize(nGot);
    return strKey;
}

int CompareNames(std::string_view a, std::string_view b)
{
    const int n = MakeNameKey(a).compare(MakeNameKey(b));
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

namespace panesort_detail {

bool RowLess(const RowView& a, const RowView& b, bool bAscending, bool bBySize)
{
    auto rank = [](const RowView& r) { return !r.bFolder ? 2 : (r.strName == ".." ? 0 : 1); };
    const int nRankA = rank(a), nRankB = rank(b);
    if (nRankA != nRankB)
        return nRankA < nRankB;
    if (nRankA == 0)
        return false;

    int nCmp = 0;
    if (nRankA == 2 && bBySize)
        nCmp = a.nSize < b.nSize ? -1 : (a.nSize > b.nSize ? 1 : 0);
    if (nCmp == 0) {
        const int nKey = a.pKey->compare(*b.pKey);
        nCmp = nKey < 0 ? -1 : (nKey > 0 ? 1 : 0);
    }
    if (nCmp == 0)
        nCmp = CompareBytes(a.strName, b.strName);
    return bAscending ? nCmp < 0 : nCmp > 0;
}

}  // namespace panesort_detail
