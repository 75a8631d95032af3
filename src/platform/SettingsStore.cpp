// Settings file in registry-export syntax; see SettingsStore.h.
#include "SettingsStore.h"

#include "AsciiText.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A query copies the value into a buffer of this size; longer data cannot be
// queried.
constexpr std::size_t QUERY_BUFFER_SIZE = 100;

// A settings file larger than this is not a settings file we wrote; it is
// treated as unreadable rather than loaded into memory.
constexpr off_t MAX_FILE_SIZE = 16 * 1024 * 1024;

constexpr const char* FILE_HEADER = "Windows Registry Editor Version 5.00";

// Serialises all access to the file from this process.
std::mutex g_mutexSettings;

std::string_view Trim(std::string_view sv)
{
    while (!sv.empty() && (sv.front() == ' ' || sv.front() == '\t' || sv.front() == '\r'))
        sv.remove_prefix(1);
    while (!sv.empty() && (sv.back() == ' ' || sv.back() == '\t' || sv.back() == '\r'))
        sv.remove_suffix(1);
    return sv;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = AsciiLower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// One logical line of the file: a value, or anything else kept as it was.
struct SettingsLine
{
    std::string strRaw;  // the original text (continuations joined by '\n')
    bool bValue = false; // the line names a value
    bool bValid = false; // its data could be parsed
    std::string strName; // value name; empty for the default value "@"
    std::uint32_t nType = 0;
    std::vector<unsigned char> vecData; // the bytes a query returns
};

// A "[key]" header and the lines below it. The first section of a document
// has no header (the file's first lines).
struct SettingsSection
{
    bool bHasHeader = false;
    bool bIsKey = false; // a key header (not "[-key]" or malformed)
    std::string strHeaderRaw;
    std::string strKey;
    std::vector<SettingsLine> vecLines;
};

// Reads a quoted string starting at sv[0] == '"'; handles \\ and \" escapes.
// On success stores the text and the rest after the closing quote.
bool ParseQuoted(std::string_view sv, std::string& strOut, std::string_view& rest)
{
    if (sv.empty() || sv.front() != '"')
        return false;
    strOut.clear();
    for (std::size_t i = 1; i < sv.size(); ++i)
    {
        const char c = sv[i];
        if (c == '"')
        {
            rest = sv.substr(i + 1);
            return true;
        }
        if (c == '\\' && i + 1 < sv.size() && (sv[i + 1] == '\\' || sv[i + 1] == '"'))
        {
            strOut += sv[i + 1];
            ++i;
            continue;
        }
        strOut += c;
    }
    return false;
}

std::string Quote(std::string_view sv)
{
    std::string str = "\"";
    for (char c : sv)
    {
        if (c == '\\' || c == '"')
            str += '\\';
        str += c;
    }
    str += '"';
    return str;
}

// Parses the data part of a value line (after '=').
bool ParseData(std::string_view sv, SettingsLine& line)
{
    sv = Trim(sv);
    if (!sv.empty() && sv.front() == '"')
    {
        std::string str;
        std::string_view rest;
        if (!ParseQuoted(sv, str, rest) || !Trim(rest).empty())
            return false;
        line.nType = REG_SZ;
        line.vecData.assign(str.begin(), str.end());
        line.vecData.push_back(0); // a string is read with its terminator
        return true;
    }
    if (sv.substr(0, 6) == "dword:")
    {
        const std::string_view digits = sv.substr(6);
        if (digits.empty() || digits.size() > 8)
            return false;
        std::uint32_t nValue = 0;
        for (char c : digits)
        {
            const int n = HexDigit(c);
            if (n < 0)
                return false;
            nValue = (nValue << 4) | static_cast<std::uint32_t>(n);
        }
        line.nType = REG_DWORD;
        line.vecData = {static_cast<unsigned char>(nValue & 0xFF),
                        static_cast<unsigned char>((nValue >> 8) & 0xFF),
                        static_cast<unsigned char>((nValue >> 16) & 0xFF),
                        static_cast<unsigned char>((nValue >> 24) & 0xFF)};
        return true;
    }
    if (sv.substr(0, 3) != "hex")
        return false;
    sv.remove_prefix(3);
    std::uint32_t nType = REG_BINARY;
    if (!sv.empty() && sv.front() == '(')
    {
        const std::size_t nClose = sv.find(')');
        if (nClose == std::string_view::npos || nClose == 1 || nClose > 9)
            return false;
        nType = 0;
        for (char c : sv.substr(1, nClose - 1))
        {
            const int n = HexDigit(c);
            if (n < 0)
                return false;
            nType = (nType << 4) | static_cast<std::uint32_t>(n);
        }
        sv.remove_prefix(nClose + 1);
    }
    if (sv.empty() || sv.front() != ':')
        return false;
    sv.remove_prefix(1);

    // Bytes "xx" separated by commas; a backslash ends a physical line and
    // the list goes on after the line break and its indentation.
    std::vector<unsigned char> vecData;
    bool bExpectByte = true;
    for (std::size_t i = 0; i < sv.size();)
    {
        const char c = sv[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\\')
        {
            ++i;
            continue;
        }
        if (c == ',')
        {
            if (bExpectByte)
                return false;
            bExpectByte = true;
            ++i;
            continue;
        }
        if (!bExpectByte || i + 1 >= sv.size())
            return false;
        const int nHigh = HexDigit(sv[i]);
        const int nLow = HexDigit(sv[i + 1]);
        if (nHigh < 0 || nLow < 0)
            return false;
        vecData.push_back(static_cast<unsigned char>(nHigh * 16 + nLow));
        bExpectByte = false;
        i += 2;
    }
    if (bExpectByte && !vecData.empty())
        return false; // trailing comma
    line.nType = nType;
    line.vecData = std::move(vecData);
    return true;
}

// Classifies one logical line.
SettingsLine ParseLine(std::string strRaw)
{
    SettingsLine line;
    line.strRaw = std::move(strRaw);
    std::string_view sv = Trim(line.strRaw);
    std::string_view rest;
    if (!sv.empty() && sv.front() == '@')
    {
        rest = Trim(sv.substr(1));
    }
    else if (!sv.empty() && sv.front() == '"')
    {
        if (!ParseQuoted(sv, line.strName, rest))
            return line;
        rest = Trim(rest);
    }
    else
    {
        return line;
    }
    if (rest.empty() || rest.front() != '=')
        return line;
    line.bValue = true;
    line.bValid = ParseData(rest.substr(1), line);
    if (!line.bValid)
        line.vecData.clear();
    return line;
}

std::string HexByte(unsigned n)
{
    static const char* const HEX = "0123456789abcdef";
    return {HEX[(n >> 4) & 0xF], HEX[n & 0xF]};
}

std::string FormatDwordLine(const std::string& strName, std::uint32_t nValue)
{
    std::string str = strName.empty() ? std::string("@") : Quote(strName);
    str += "=dword:";
    for (int nShift = 24; nShift >= 0; nShift -= 8)
        str += HexByte((nValue >> nShift) & 0xFF);
    return str;
}

class CSettingsDocument
{
public:
    // A new document: the export header and an empty line.
    CSettingsDocument()
    {
        m_vecSections.emplace_back();
        m_vecSections[0].vecLines.push_back(ParseLine(FILE_HEADER));
        m_vecSections[0].vecLines.push_back(ParseLine(""));
    }

    void Parse(const std::string& strText)
    {
        m_vecSections.clear();
        m_vecSections.emplace_back();

        std::vector<std::string> vecPhysical;
        std::size_t nStart = 0;
        while (nStart < strText.size())
        {
            std::size_t nEnd = strText.find('\n', nStart);
            if (nEnd == std::string::npos)
                nEnd = strText.size();
            vecPhysical.emplace_back(strText, nStart, nEnd - nStart);
            nStart = nEnd + 1;
        }

        for (std::size_t i = 0; i < vecPhysical.size(); ++i)
        {
            std::string strLogical = vecPhysical[i];
            std::string_view sv = Trim(strLogical);
            if (i == 0 && sv.substr(0, 3) == "\xEF\xBB\xBF")
                sv.remove_prefix(3);

            if (sv.size() >= 2 && sv.front() == '[' && sv.back() == ']')
            {
                SettingsSection section;
                section.bHasHeader = true;
                section.strHeaderRaw = strLogical;
                section.strKey = std::string(sv.substr(1, sv.size() - 2));
                section.bIsKey = !section.strKey.empty() && section.strKey.front() != '-';
                m_vecSections.push_back(std::move(section));
                continue;
            }

            // Value lines whose data runs on over several physical lines end
            // each but the last with a backslash.
            if (!sv.empty() && (sv.front() == '"' || sv.front() == '@'))
            {
                while (!Trim(strLogical).empty() && Trim(strLogical).back() == '\\' &&
                       i + 1 < vecPhysical.size())
                {
                    strLogical += '\n';
                    strLogical += vecPhysical[++i];
                }
            }
            m_vecSections.back().vecLines.push_back(ParseLine(std::move(strLogical)));
        }
    }

    std::string Serialise() const
    {
        std::string str;
        for (const SettingsSection& section : m_vecSections)
        {
            if (section.bHasHeader)
                str += section.strHeaderRaw + "\n";
            for (const SettingsLine& line : section.vecLines)
                str += line.strRaw + "\n";
        }
        return str;
    }

    SettingsSection* FindKey(const std::string& strKey)
    {
        for (SettingsSection& section : m_vecSections)
            if (section.bIsKey && EqualNoCase(section.strKey, strKey))
                return &section;
        return nullptr;
    }

    SettingsSection& AddKey(const std::string& strKey)
    {
        // Keep one empty line between keys.
        std::vector<SettingsLine>& vecLast = m_vecSections.back().vecLines;
        if (!vecLast.empty() && !Trim(vecLast.back().strRaw).empty())
            vecLast.push_back(ParseLine(""));

        SettingsSection section;
        section.bHasHeader = true;
        section.bIsKey = true;
        section.strKey = strKey;
        section.strHeaderRaw = "[" + strKey + "]";
        section.vecLines.push_back(ParseLine(""));
        m_vecSections.push_back(std::move(section));
        return m_vecSections.back();
    }

    static SettingsLine* FindValue(SettingsSection& section, const std::string& strName)
    {
        for (SettingsLine& line : section.vecLines)
            if (line.bValue && EqualNoCase(line.strName, strName))
                return &line;
        return nullptr;
    }

    static void SetDword(SettingsSection& section, const std::string& strName,
                         std::uint32_t nValue)
    {
        SettingsLine line = ParseLine(FormatDwordLine(strName, nValue));
        if (SettingsLine* pOld = FindValue(section, strName))
        {
            *pOld = std::move(line);
            return;
        }
        // New values go after the key's last non-empty line.
        std::size_t nPos = section.vecLines.size();
        while (nPos > 0 && Trim(section.vecLines[nPos - 1].strRaw).empty())
            --nPos;
        section.vecLines.insert(section.vecLines.begin() + static_cast<std::ptrdiff_t>(nPos),
                                std::move(line));
    }

private:
    std::vector<SettingsSection> m_vecSections;
};

const char* RootName(std::uint32_t nRoot)
{
    switch (nRoot)
    {
    case HKEY_CLASSES_ROOT:
        return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER:
        return "HKEY_CURRENT_USER";
    case HKEY_USERS:
        return "HKEY_USERS";
    default:
        return "HKEY_LOCAL_MACHINE";
    }
}

// Full key path "ROOT\sub\key", or nothing for a sub-key that cannot be
// stored in the file format (line breaks, brackets).
std::optional<std::string> KeyPath(std::uint32_t nRoot, const char* pSubKey)
{
    const std::string_view svSub(pSubKey);
    if (svSub.find_first_of("\r\n[]") != std::string_view::npos)
        return std::nullopt;
    std::string str = RootName(nRoot);
    if (!svSub.empty())
    {
        str += '\\';
        str += svSub;
    }
    return str;
}

bool ValidValueName(const char* pValueName)
{
    return pValueName == nullptr ||
           std::string_view(pValueName).find_first_of("\r\n") == std::string_view::npos;
}

enum class ELoad
{
    Loaded,
    Missing,
    Failed
};

ELoad LoadDocument(const std::string& strPath, CSettingsDocument& doc)
{
    if (strPath.empty())
        return ELoad::Failed;
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ELoad::Missing : ELoad::Failed;

    std::string strText;
    struct stat st {};
    bool bOk = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= MAX_FILE_SIZE;
    char aBuffer[4096];
    while (bOk)
    {
        const ssize_t n = ::read(fd, aBuffer, sizeof aBuffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            bOk = false;
        if (n <= 0)
            break;
        strText.append(aBuffer, static_cast<std::size_t>(n));
        if (strText.size() > static_cast<std::size_t>(MAX_FILE_SIZE))
            bOk = false;
    }
    ::close(fd);
    if (!bOk)
        return ELoad::Failed;
    doc.Parse(strText);
    return ELoad::Loaded;
}

bool WriteAll(int fd, const std::string& str)
{
    std::size_t nDone = 0;
    while (nDone < str.size())
    {
        const ssize_t n = ::write(fd, str.data() + nDone, str.size() - nDone);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        nDone += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the document to a temporary file beside the target and renames it
// into place. A symbolic link at the settings path is kept: its target is
// replaced.
bool SaveDocument(const std::string& strPath, const CSettingsDocument& doc)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target(strPath);
    for (int nDepth = 0; fs::is_symlink(target, ec); ++nDepth)
    {
        if (nDepth == 40)
            return false; // a loop of links
        fs::path link = fs::read_symlink(target, ec);
        if (ec)
            return false;
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::create_directories(folder, ec);
    if (ec)
        return false;

    mode_t nMode = 0644;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0)
        nMode = st.st_mode & 07777;

    std::string strTemp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> vecTemplate(strTemp.begin(), strTemp.end());
    vecTemplate.push_back('\0');
    const int fd = ::mkstemp(vecTemplate.data());
    if (fd < 0)
        return false;
    strTemp = vecTemplate.data();

    const bool bWritten = WriteAll(fd, doc.Serialise()) && ::fchmod(fd, nMode) == 0 &&
                          ::fsync(fd) == 0;
    const bool bClosed = ::close(fd) == 0;
    if (!bWritten || !bClosed || ::rename(strTemp.c_str(), target.c_str()) != 0)
    {
        ::unlink(strTemp.c_str());
        return false;
    }

    // Make the rename itself durable; a failure here loses nothing.
    const int fdFolder = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdFolder >= 0)
    {
        ::fsync(fdFolder);
        ::close(fdFolder);
    }
    return true;
}

bool WantsWrite(std::uint32_t nAccess)
{
    return (nAccess & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0;
}

} // namespace

std::string SettingsFilePath()
{
    if (const char* p = std::getenv("QUORVANE_SETTINGS"); p != nullptr && *p != '\0')
        return p;
    if (const char* p = std::getenv("XDG_CONFIG_HOME"); p != nullptr && *p == '/')
        return std::string(p) + "/quorvane/settings.reg";

    std::string strHome;
    if (const char* p = std::getenv("HOME"); p != nullptr && *p != '\0')
    {
        strHome = p;
    }
    else
    {
        struct passwd pwd {};
        struct passwd* pResult = nullptr;
        std::vector<char> vecBuffer(16384);
        if (::getpwuid_r(::getuid(), &pwd, vecBuffer.data(), vecBuffer.size(), &pResult) == 0 &&
            pResult != nullptr && pResult->pw_dir != nullptr)
            strHome = pResult->pw_dir;
    }
    if (strHome.empty())
        return {};
    return strHome + "/.config/quorvane/settings.reg";
}

bool OpenSettingsKey(std::uint32_t nRoot, const char* pSubKey, std::uint32_t nAccess)
{
    if (pSubKey == nullptr)
        return false;
    const std::optional<std::string> strKey = KeyPath(nRoot, pSubKey);
    if (!strKey)
        return false;

    std::lock_guard lock(g_mutexSettings);
    const std::string strPath = SettingsFilePath();
    CSettingsDocument doc;
    const ELoad eLoad = LoadDocument(strPath, doc);
    if (eLoad == ELoad::Failed)
        return false;
    if (!WantsWrite(nAccess))
        return eLoad == ELoad::Loaded && doc.FindKey(*strKey) != nullptr;

    // Opening for writing creates the key and proves the file can be
    // written.
    if (doc.FindKey(*strKey) == nullptr)
        doc.AddKey(*strKey);
    return SaveDocument(strPath, doc);
}

std::int32_t ReadSettingDword(std::uint32_t nRoot, const char* pSubKey, const char* pValueName)
{
    if (pSubKey == nullptr || !ValidValueName(pValueName))
        return -1;
    const std::optional<std::string> strKey = KeyPath(nRoot, pSubKey);
    if (!strKey)
        return -1;

    std::lock_guard lock(g_mutexSettings);
    CSettingsDocument doc;
    if (LoadDocument(SettingsFilePath(), doc) != ELoad::Loaded)
        return -1;
    SettingsSection* pSection = doc.FindKey(*strKey);
    if (pSection == nullptr)
        return -1;
    const SettingsLine* pLine =
        CSettingsDocument::FindValue(*pSection, pValueName ? pValueName : "");
    if (pLine == nullptr || !pLine->bValid || pLine->vecData.size() > QUERY_BUFFER_SIZE)
        return -1;

    // The first four bytes of the data, little-endian, whatever the type.
    std::uint32_t nValue = 0;
    for (std::size_t i = 0; i < 4 && i < pLine->vecData.size(); ++i)
        nValue |= static_cast<std::uint32_t>(pLine->vecData[i]) << (8 * i);
    return static_cast<std::int32_t>(nValue);
}

int WriteSettingDword(std::uint32_t nRoot, const char* pSubKey, const char* pValueName,
                      std::int32_t nValue)
{
    if (pSubKey == nullptr || !ValidValueName(pValueName))
        return 0;
    const std::optional<std::string> strKey = KeyPath(nRoot, pSubKey);
    if (!strKey)
        return 0;

    std::lock_guard lock(g_mutexSettings);
    const std::string strPath = SettingsFilePath();
    CSettingsDocument doc;
    if (LoadDocument(strPath, doc) == ELoad::Failed)
        return 0; // never overwrite a file we could not read

    SettingsSection* pSection = doc.FindKey(*strKey);
    if (pSection == nullptr)
        pSection = &doc.AddKey(*strKey);
    CSettingsDocument::SetDword(*pSection, pValueName ? pValueName : "",
                                static_cast<std::uint32_t>(nValue));
    return SaveDocument(strPath, doc) ? 1 : 0;
}
