#pragma once

// Internal to Interrupt.cpp and its per-OS files.

namespace lum {

// Sets the flag that InterruptRequested() reads. Safe to call from a signal
// handler.
void NoteInterruptRequest() noexcept;

}  // namespace lum
