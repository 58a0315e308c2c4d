#include "platform/Interrupt.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

namespace lum {
namespace {

// Set from a signal handler (POSIX) or the console's handler thread (Windows).
std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

#ifdef _WIN32

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  requested.store(true);
  return TRUE;
}

#else

void OnSignal(int) { requested.store(true); }

#endif

}  // namespace

#ifdef _WIN32

void StopOnInterrupt() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

#else

void StopOnInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // Without SA_RESTART a read or write that waits for a pipe or a terminal
  // returns EINTR, so that it can give up. SA_RESETHAND lets a second signal
  // end the process.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

#endif

bool InterruptRequested() noexcept { return requested.load(); }

}  // namespace lum
