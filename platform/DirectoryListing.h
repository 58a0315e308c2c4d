#pragma once

#include <string>

namespace lum {

// Attribute bit of a directory query: the value of the Windows file
// attribute FILE_ATTRIBUTE_DIRECTORY.
inline constexpr int kAttrDirectory = 16;  // folders as well as plain files

// The name (not path) of the entry that `path` names, when it exists and
// `attributes` admits it: plain files always, folders only with
// kAttrDirectory. A path ending in a separator names the folder itself and
// gives ".". Empty when nothing is there. `path` is a plain name: no
// wildcards (a Windows name cannot hold them; on POSIX "*" and "?" are
// ordinary characters of a name). Throws lum::Failure when the listing itself
// fails (Windows).
std::string FirstDirectoryMatch(const std::string& path, int attributes);

}  // namespace lum
