// Receiver paths: pure text, no file system access.
//
// A receiver path is absolute: "/" is the root and every other folder carries
// no trailing "/". A child path is the folder and the name joined with one "/".
#pragma once

#include <string>
#include <string_view>

// folder + "/" + name, with exactly one "/" between them: "/" + "a" gives
// "/a", "/MP3" + "song" gives "/MP3/song". Surplus "/" at the end of folder or
// at the start of name are dropped; an empty folder counts as the root.
std::string JoinReceiverPath(std::string_view strFolder, std::string_view strName);

// The folder one level up: "/a/b" gives "/a", "/a" gives "/", and "/" stays "/".
// A trailing "/" is ignored ("/a/b/" gives "/a"). An empty path gives "/".
std::string ReceiverParentPath(std::string_view strPath);

// True for "/" (and for a path made only of "/" characters).
bool IsReceiverRoot(std::string_view strPath);
