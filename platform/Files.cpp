#include "platform/Files_internal.h"

#include <cinttypes>
#include <cstdio>
#include <random>

#include "failure/Failure.h"
#include "paths/Paths.h"

namespace lum {

std::string TemporaryNameFor(const std::string& target) {
  static std::random_device entropy;
  const std::uint64_t random = (std::uint64_t{entropy()} << 32) | entropy();
  char name[32];
  std::snprintf(name, sizeof name, ".lum-%016" PRIx64 ".tmp", random);
  return target.substr(0, NameStart(target)) + name;
}

std::size_t CountRead(std::size_t got, std::int64_t& read, std::int64_t size) {
  if (got == 0 && read < size) throw Failure(err::kDeviceIo, kInputSource);
  read += static_cast<std::int64_t>(got);
  return got;
}

}  // namespace lum
