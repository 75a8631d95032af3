// Listing one host folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One entry of a host folder. The fields are the ones the pane sorting works
// on (see PaneSort.h), so a vector of these can be sorted directly.
struct HostEntry {
    std::string strName;  // the name's bytes exactly as the file system returns them
    bool bFolder = false;  // a folder, or a symbolic link to one
    uint64_t nSize = 0;    // bytes (of the link's target for a link); 0 for folders
};

// Fills out (emptied first) with the entries of the folder strPath, in the
// order the file system returns them. "." and ".." are left out: the pane adds
// its own ".." row. A symbolic link to a folder is a folder; any other link is
// a file with its target's size, and a dangling link a file of size 0. An
// entry that vanishes while the folder is read is left out.
//
// Returns false when the folder cannot be opened (out stays empty) or when
// reading it fails part way (out keeps what was read before the failure).
bool ListHostFolder(const std::string& strPath, std::vector<HostEntry>& out);
