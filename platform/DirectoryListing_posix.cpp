#include "platform/DirectoryListing.h"

#include <sys/stat.h>

namespace lum {

std::string FirstDirectoryMatch(const std::string& path, int attributes) {
  struct stat info {};
  // What cannot be looked at (missing, not a folder on the way, no right to
  // search a folder) names nothing the caller could open.
  if (path.empty() || stat(path.c_str(), &info) != 0) return {};
  if (S_ISDIR(info.st_mode) && (attributes & kAttrDirectory) == 0) return {};
  if (path.back() == '/') return ".";
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace lum
