#include "platform/DirectoryListing.h"

#include "failure/Failure.h"

#include <glob.h>
#include <sys/stat.h>

namespace lum {
namespace {

std::string LastComponent(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

}  // namespace

std::string FirstDirectoryMatch(const std::string& path, int attributes) {
  if (path.empty()) return {};
  // A folder listing starts with the folder itself, ".".
  const bool listsFolder = path.back() == '/';
  if (listsFolder && (attributes & kAttrDirectory) != 0) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? "." : "";
  }
  const std::string pattern = listsFolder ? path + "*" : path;
  glob_t matches{};
  const int result = glob(pattern.c_str(), (attributes & kAttrHidden) != 0 ? GLOB_PERIOD : 0, nullptr, &matches);
  std::string name;
  if (result == 0) {
    for (size_t i = 0; i < matches.gl_pathc && name.empty(); ++i) {
      struct stat info {};
      if (stat(matches.gl_pathv[i], &info) != 0) continue;
      if (!S_ISDIR(info.st_mode) || (attributes & kAttrDirectory) != 0) name = LastComponent(matches.gl_pathv[i]);
    }
  }
  globfree(&matches);
  if (result != 0 && result != GLOB_NOMATCH) throw Failure(err::kPathFileAccess, "QueryDir");
  return name;
}

}  // namespace lum
