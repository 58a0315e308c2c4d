#include "platform/QueryDir.h"

#include <exception>

#include "platform/DirectoryListing.h"

namespace lum {

std::string QueryDir(const std::string& path, int attributes) {
  try {
    return FirstDirectoryMatch(path, attributes);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace lum
