#pragma once

#include <string>

namespace lum {

// Whether `path` (a plain name, no wildcards) names something: the entry's
// name that the directory listing gives for it under `attributes` (see
// FirstDirectoryMatch), or the empty text when nothing is there or the
// listing fails for any reason. Never fails.
std::string QueryDir(const std::string& path, int attributes);

}  // namespace lum
