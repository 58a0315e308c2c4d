#pragma once

#include <string>

namespace lum {

// Attribute bits of a directory query: the values of the Windows file
// attributes FILE_ATTRIBUTE_HIDDEN and FILE_ATTRIBUTE_DIRECTORY.
inline constexpr int kAttrHidden = 2;      // on POSIX: wildcards also match dot names
inline constexpr int kAttrDirectory = 16;  // folders as well as plain files

// The first name (not path) that the directory listing finds for `path`,
// which may end in a wildcard pattern ("*", "?", "[...]"), among the entries
// that `attributes` admits: plain files always, folders with kAttrDirectory,
// hidden entries with kAttrHidden. A path ending in a separator lists that
// folder. Empty when nothing matches. Throws lum::Failure when the listing
// itself fails.
std::string FirstDirectoryMatch(const std::string& path, int attributes);

}  // namespace lum
