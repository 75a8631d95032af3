// Operations on the host's file system for the host pane and the transfers.
//
// Every operation returns an empty std::error_code on success and the system
// error otherwise; nothing throws. Paths are byte strings used as they are.
#pragma once

#include <functional>
#include <string>
#include <system_error>

// Called once per entry the tree delete tried to remove: bFolder false for a
// file (or link, or other non-folder), true for a folder, after its contents.
// It is called whether or not the removal succeeded.
using HostDeleteCallback = std::function<void(bool bFolder, const std::string& strPath)>;

// Creates the folder strPath (permissions 0777 less the umask).
std::error_code MakeHostFolder(const std::string& strPath);

// Renames strOld to strNew, never replacing an existing entry: when strNew
// exists (file, folder or link) the result is EEXIST and both entries stay as
// they were. See HostFileOps.cpp for how file systems without an atomic
// no-replace rename are handled.
std::error_code RenameHostEntry(const std::string& strOld, const std::string& strNew);

// Deletes one non-folder entry. A read-only file gets its owner's write
// permission first (the file's attributes set to normal). A symbolic link is
// removed itself; its target is never touched. A folder is refused (EISDIR).
std::error_code DeleteHostFile(const std::string& strPath);

// Deletes the folder strPath with everything in it, depth first: the contents
// of each folder in the order the file system lists them, the folder itself
// right after its contents. Symbolic links are never followed: a link inside
// the tree (also one to a folder) is removed itself, and strPath being a link
// removes just the link. A folder that lacks its owner's read, write or
// search permission gets them first, so that it can be emptied.
//
// onDeleted is called once per attempted removal (see HostDeleteCallback) with
// the entry's full path: strPath without its trailing "/", then "/" and the
// names below it.
// Entries that cannot be removed stay, and so does every folder above them;
// the rest of the tree is still deleted. Returns the first failure, or an
// empty code when the whole tree is gone. The root "/" and "" are refused
// with EINVAL and no callback.
std::error_code DeleteHostFolderTree(const std::string& strPath, const HostDeleteCallback& onDeleted = {});

// Deletes what strPath names, as the host pane's Delete does for one row: a
// folder (a real one, not a link to one) with DeleteHostFolderTree, anything
// else with DeleteHostFile followed by onDeleted(false, strPath). An entry
// that does not exist gives ENOENT and no callback.
std::error_code DeleteHostEntry(const std::string& strPath, const HostDeleteCallback& onDeleted = {});

// True when an entry of that name exists, whatever it is; a dangling link
// exists (lstat: what a delete or a name clash cares about).
bool HostEntryExists(const std::string& strPath);

// True when strPath is a folder or a link to one (stat: what navigation and
// listing care about: a link to a folder is entered like a folder).
bool IsHostFolder(const std::string& strPath);

// True when strPath is a real folder, not a link to one (lstat: what deletion
// cares about: only a real folder is emptied).
bool IsHostFolderNoFollow(const std::string& strPath);

namespace hostfs_detail {
// The rename used when the file system refuses the atomic no-replace flag:
// for non-folders a hard link to the new name (which fails on an existing
// one) and removal of the old name; where hard links are refused too, and for
// folders, a check that the new name is free followed by rename(2). Exposed
// for tests.
std::error_code RenameWithoutNoReplaceFlag(const std::string& strOld, const std::string& strNew);
}  // namespace hostfs_detail
