#include "CliText.h"

#include <cstdio>
#include <vector>

namespace cli {

bool NormalizeReceiverPath(const std::string& strIn, std::string& strOut) {
    std::string strPath;
    size_t nStart = 0;
    while (nStart <= strIn.size()) {
        size_t nEnd = strIn.find('/', nStart);
        if (nEnd == std::string::npos) nEnd = strIn.size();
        const std::string strPart = strIn.substr(nStart, nEnd - nStart);
        if (strPart == "." || strPart == "..") return false;
        if (!strPart.empty()) strPath += "/" + strPart;
        nStart = nEnd + 1;
    }
    strOut = strPath.empty() ? "/" : strPath;
    return true;
}

std::string ReceiverParent(const std::string& strPath) {
    const size_t nSlash = strPath.find_last_of('/');
    if (nSlash == std::string::npos || nSlash == 0) return "/";
    return strPath.substr(0, nSlash);
}

std::string ReceiverBaseName(const std::string& strPath) {
    const size_t nSlash = strPath.find_last_of('/');
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

std::string ReceiverJoin(const std::string& strFolder, const std::string& strName) {
    if (strFolder.empty() || strFolder.back() == '/') return strFolder + strName;
    return strFolder + "/" + strName;
}

bool IsDotName(const std::string& strName) { return strName == "." || strName == ".."; }

bool IsSafeReceiverName(const std::string& strName) {
    return !strName.empty() && !IsDotName(strName) && strName.find('/') == std::string::npos &&
           strName.find('\0') == std::string::npos;
}

bool IsSafeLocalName(const std::string& strName) {
    return IsSafeReceiverName(strName) && strName.find('\\') == std::string::npos;
}

std::string LocalJoin(const std::string& strFolder, const std::string& strName) {
    if (strFolder.empty()) return strName;
    if (strFolder.back() == '/') return strFolder + strName;
    return strFolder + "/" + strName;
}

std::string LocalBaseName(const std::string& strPath) {
    size_t nEnd = strPath.find_last_not_of('/');
    if (nEnd == std::string::npos) return "";
    const size_t nSlash = strPath.find_last_of('/', nEnd);
    const size_t nStart = nSlash == std::string::npos ? 0 : nSlash + 1;
    return strPath.substr(nStart, nEnd + 1 - nStart);
}

std::string LocalDirName(const std::string& strPath) {
    size_t nEnd = strPath.find_last_not_of('/');
    if (nEnd == std::string::npos) return "/";
    const size_t nSlash = strPath.find_last_of('/', nEnd);
    if (nSlash == std::string::npos) return ".";
    const size_t nDirEnd = strPath.find_last_not_of('/', nSlash);
    return nDirEnd == std::string::npos ? "/" : strPath.substr(0, nDirEnd + 1);
}

namespace {

// Length of the valid UTF-8 sequence at p (1 to 4), or 0 when it is not one.
size_t Utf8Length(const unsigned char* p, size_t nLeft) {
    const unsigned char c = p[0];
    size_t nLen;
    uint32_t nMin;
    uint32_t nCode;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) { nLen = 2; nMin = 0x80; nCode = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { nLen = 3; nMin = 0x800; nCode = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { nLen = 4; nMin = 0x10000; nCode = c & 0x07; }
    else return 0;
    if (nLeft < nLen) return 0;
    for (size_t i = 1; i < nLen; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        nCode = nCode << 6 | (p[i] & 0x3F);
    }
    if (nCode < nMin || nCode > 0x10FFFF || (nCode >= 0xD800 && nCode <= 0xDFFF)) return 0;
    // C1 control characters are escaped like the C0 ones.
    if (nCode >= 0x80 && nCode < 0xA0) return 0;
    return nLen;
}

}  // namespace

std::string DisplayName(const std::string& strBytes) {
    std::string strOut;
    const auto* p = reinterpret_cast<const unsigned char*>(strBytes.data());
    const size_t n = strBytes.size();
    for (size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c == '\\') {
            strOut += "\\\\";
            ++i;
            continue;
        }
        const size_t nLen = (c < 0x20 || c == 0x7F) ? 0 : Utf8Length(p + i, n - i);
        if (nLen == 0) {
            char sz[5];
            std::snprintf(sz, sizeof sz, "\\x%02X", c);
            strOut += sz;
            ++i;
        } else {
            strOut.append(strBytes, i, nLen);
            i += nLen;
        }
    }
    return strOut;
}

std::string HumanSize(uint64_t nBytes) {
    static const char* const s_units[] = {"B", "kB", "MB", "GB", "TB", "PB", "EB"};
    double fValue = double(nBytes);
    size_t nUnit = 0;
    while (fValue >= 1000.0 && nUnit + 1 < std::size(s_units)) {
        fValue /= 1000.0;
        ++nUnit;
    }
    char sz[32];
    if (nUnit == 0) std::snprintf(sz, sizeof sz, "%llu B", static_cast<unsigned long long>(nBytes));
    else std::snprintf(sz, sizeof sz, "%.1f %s", fValue, s_units[nUnit]);
    return sz;
}

}  // namespace cli
