#pragma once

#include <exception>

namespace lum {

// From now on Ctrl-C and a termination request (SIGINT and SIGTERM on POSIX,
// the console's Ctrl-C, Ctrl-Break and close events on Windows) no longer end
// the process but set a flag that InterruptRequested() reads; the program
// then stops its work at the next point where it asks. A second request ends
// the process as usual (on POSIX), in case the first one is not heeded.
void StopOnInterrupt();

// Whether a stop was requested since StopOnInterrupt().
bool InterruptRequested() noexcept;

// Thrown where a blocking read or write that a stop request interrupted
// gives up.
class Interrupted final : public std::exception {
 public:
  const char* what() const noexcept override { return "interrupted"; }
};

}  // namespace lum
