#include "ReceiverPath.h"

#include "HostPath.h"

// Both sides use "/" as separator, so the receiver's rules are the host's text
// rules with one difference: the parent of the root is the root itself, and a
// path without any "/" is taken as a name below the root.

std::string JoinReceiverPath(std::string_view strFolder, std::string_view strName)
{
    return JoinHostPath(strFolder, strName);
}

std::string ReceiverParentPath(std::string_view strPath)
{
    std::string strParent = HostParentPath(strPath);
    return strParent.empty() ? std::string("/") : strParent;
}

bool IsReceiverRoot(std::string_view strPath)
{
    return IsHostRoot(strPath);
}
