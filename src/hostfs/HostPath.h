// Host paths: pure text rules, no file system access.
//
// Host paths use "/" as separator. The pane's folder text may or may not end
// with "/"; whoever appends a name adds exactly one "/" between them.
#pragma once

#include <string>
#include <string_view>

// A folder at this many "/" characters or more is too deep to create a
// sub-folder in (both sides count "/" in the folder's path text).
constexpr int kMaxFolderSeparators = 10;

// folder + "/" + name with exactly one "/" between them, never doubled:
// "/" + "a" gives "/a", "/home/u/" + "x" gives "/home/u/x". Surplus "/" at the
// end of folder or at the start of name are dropped; an empty folder joins
// below the root ("" + "a" gives "/a").
std::string JoinHostPath(std::string_view strFolder, std::string_view strName);

// The folder one level up, by text alone: cut at the last "/"; when that "/"
// is the first character the result is "/". "/home/u" gives "/home", "/home"
// gives "/", "/" stays "/". Trailing and doubled "/" are ignored
// ("/home//u/" gives "/home"). A relative name without any "/" gives "" and
// a relative path "a/b" gives "a".
std::string HostParentPath(std::string_view strPath);

// True for "/" (and for a path made only of "/" characters). The root folder
// shows no ".." row; every other folder does.
bool IsHostRoot(std::string_view strPath);

// Number of "/" bytes in the path text (the depth rule of both sides).
int CountSeparators(std::string_view strPath);

// True when a sub-folder may not be created in strFolder: it holds
// kMaxFolderSeparators or more "/" characters.
inline bool IsFolderTooDeep(std::string_view strFolder)
{
    return CountSeparators(strFolder) >= kMaxFolderSeparators;
}

// The last component of a path ("/media/u/STICK" gives "STICK"; "/" gives "/").
std::string LastPathComponent(std::string_view strPath);
