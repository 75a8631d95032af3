// Text and path helpers of the command-line tool: receiver paths, names that
// are safe to use on the PC, and how sizes and names are shown.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

// Turns a receiver path typed by the user into the absolute form the receiver
// expects: a leading "/", single separators, no trailing "/" except for the
// root. A relative path is taken from the root. False for a path with a "."
// or ".." component, which the receiver does not understand.
bool NormalizeReceiverPath(const std::string& strIn, std::string& strOut);

// "/a/b" -> "/a", "/a" -> "/", "/" -> "/".
std::string ReceiverParent(const std::string& strPath);
// "/a/b" -> "b", "/" -> "".
std::string ReceiverBaseName(const std::string& strPath);
// Joins a receiver folder and a name with one "/".
std::string ReceiverJoin(const std::string& strFolder, const std::string& strName);

// "." and "..", which listings may carry and walks skip.
bool IsDotName(const std::string& strName);
// A receiver name that can become one component of a receiver path.
bool IsSafeReceiverName(const std::string& strName);
// A receiver name that can become one component of a local path: it can
// neither leave the destination folder nor name a folder level.
bool IsSafeLocalName(const std::string& strName);

// Joins a local folder and a name with one "/".
std::string LocalJoin(const std::string& strFolder, const std::string& strName);
// The last component of a local path, trailing "/" ignored ("" for "/").
std::string LocalBaseName(const std::string& strPath);
// The folder holding a local path ("." when it has no "/").
std::string LocalDirName(const std::string& strPath);

// Bytes as printable text: valid UTF-8 is kept, control characters, a
// backslash and bytes that are not UTF-8 are written as escapes.
std::string DisplayName(const std::string& strBytes);

// "1.5 GB" style, decimal units (the receiver counts in powers of ten).
std::string HumanSize(uint64_t nBytes);

}  // namespace cli
