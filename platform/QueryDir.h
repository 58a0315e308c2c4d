#pragma once

#include <string>

namespace lum {

// Whether `path` names something: the first name the directory listing finds
// for it under `attributes` (see FirstDirectoryMatch), or the empty text when
// nothing matches or the listing fails for any reason. Never fails.
std::string QueryDir(const std::string& path, int attributes);

}  // namespace lum
