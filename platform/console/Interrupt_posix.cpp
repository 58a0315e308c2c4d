#include "platform/console/Interrupt.h"

#include <csignal>

#include "platform/console/Interrupt_internal.h"

namespace lum {
namespace {

void OnSignal(int) { NoteInterruptRequest(); }

}  // namespace

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

}  // namespace lum
