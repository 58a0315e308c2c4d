#include "platform/Files_internal.h"

#include <cinttypes>
#include <cstdio>
#include <random>

#include "platform/Failure.h"

namespace lum {
namespace {

// What ends the folder part of a target path; on Windows also the colon of
// a drive ("C:name").
#ifdef _WIN32
constexpr const char* kSeparators = "\\/:";
#else
constexpr const char* kSeparators = "/";
#endif

}  // namespace

std::string TemporaryNameFor(const std::string& target) {
  static std::random_device entropy;
  const std::uint64_t random = (std::uint64_t{entropy()} << 32) | entropy();
  char name[32];
  std::snprintf(name, sizeof name, ".lum-%016" PRIx64 ".tmp", random);
  const std::size_t separator = target.find_last_of(kSeparators);
  return target.substr(0, separator == std::string::npos ? 0 : separator + 1) + name;
}

std::size_t CountRead(std::size_t got, std::int64_t& read, std::int64_t size) {
  if (got == 0 && read < size) throw Failure(err::kDeviceIo, kInputSource);
  read += static_cast<std::int64_t>(got);
  return got;
}

}  // namespace lum
