#include <unistd.h>
#include <climits>

#include <vector>

#include "failure/Failure.h"
#include "platform/Program_internal.h"

namespace lum {

// Linux names the running executable in /proc/self/exe.
std::string ExecutablePath() {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) throw Failure(err::kPathFileAccess, "ProgramFolder");
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace lum
