#include "platform/console/Interrupt.h"

#include <atomic>

#include "platform/console/Interrupt_internal.h"

namespace lum {
namespace {

// Set from a signal handler (POSIX) or the console's handler thread (Windows).
std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

}  // namespace

void NoteInterruptRequest() noexcept { requested.store(true); }

bool InterruptRequested() noexcept { return requested.load(); }

}  // namespace lum
