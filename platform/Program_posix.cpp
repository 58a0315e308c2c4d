#include "platform/Program.h"

#include <csignal>

namespace lum {

void IgnoreFileSizeLimitSignal() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace lum
