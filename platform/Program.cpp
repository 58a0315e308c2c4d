#include "platform/Program.h"

#include "platform/Program_internal.h"

namespace lum {
namespace {

// What ends the folder part of the executable's path.
#ifdef _WIN32
constexpr const char* kSeparators = "\\/";
#else
constexpr const char* kSeparators = "/";
#endif

}  // namespace

std::string ProgramFolder() {
  const std::string path = ExecutablePath();
  const size_t separator = path.find_last_of(kSeparators);
  if (separator == std::string::npos) return path;
  // Keep the separator of a root folder: "/" and "C:\" stay whole.
  const bool isRoot = separator == 0 || (separator == 2 && path[1] == ':');
  return path.substr(0, isRoot ? separator + 1 : separator);
}

std::string ExecutableName() {
  const std::string path = ExecutablePath();
  const size_t separator = path.find_last_of(kSeparators);
  std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace lum
