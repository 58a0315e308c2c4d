#include "platform/console/Interrupt.h"

#include <windows.h>

#include "platform/console/Interrupt_internal.h"

namespace lum {
namespace {

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  NoteInterruptRequest();
  return TRUE;
}

}  // namespace

void StopOnInterrupt() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

}  // namespace lum
