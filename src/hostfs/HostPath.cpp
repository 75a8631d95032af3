#include "HostPath.h"

#include <algorithm>

namespace {

// The path without its trailing "/" characters; "/" (or "///") stays "/".
std::string_view TrimTrailingSeparators(std::string_view str)
{
    while (str.size() > 1 && str.back() == '/')
        str.remove_suffix(1);
    return str;
}

}  // namespace

std::string JoinHostPath(std::string_view strFolder, std::string_view strName)
{
    while (!strFolder.empty() && strFolder.back() == '/')
        strFolder.remove_suffix(1);
    while (!strName.empty() && strName.front() == '/')
        strName.remove_prefix(1);
    std::string str;
    str.reserve(strFolder.size() + 1 + strName.size());
    str.append(strFolder);
    str.push_back('/');
    str.append(strName);
    return str;
}

std::string HostParentPath(std::string_view strPath)
{
    strPath = TrimTrailingSeparators(strPath);
    if (strPath == "/")
        return "/";
    const size_t nSlash = strPath.rfind('/');
    if (nSlash == std::string_view::npos)
        return {};
    std::string_view strParent = strPath.substr(0, nSlash);
    // "/home//u": drop the doubled "/" left over at the cut.
    while (!strParent.empty() && strParent.back() == '/')
        strParent.remove_suffix(1);
    if (strParent.empty())
        return strPath.front() == '/' ? "/" : "";
    return std::string(strParent);
}

bool IsHostRoot(std::string_view strPath)
{
    return !strPath.empty() && std::all_of(strPath.begin(), strPath.end(), [](char c) { return c == '/'; });
}

int CountSeparators(std::string_view strPath)
{
    return static_cast<int>(std::count(strPath.begin(), strPath.end(), '/'));
}

std::string LastPathComponent(std::string_view strPath)
{
    strPath = TrimTrailingSeparators(strPath);
    if (strPath == "/")
        return "/";
    const size_t nSlash = strPath.rfind('/');
    return std::string(nSlash == std::string_view::npos ? strPath : strPath.substr(nSlash + 1));
}
