#include "platform/console/StandardStreams.h"

#include <algorithm>

#include "failure/Failure.h"
#include "platform/Files_internal.h"
#include "platform/SystemIo.h"
#include "platform/console/Interrupt.h"
#include "platform/console/StandardStreams_internal.h"

#ifndef NOMINMAX
#define NOMINMAX  // std::min, not the macro
#endif
#include <windows.h>

namespace lum {
namespace {

HANDLE HandleOf(OutputStream stream) {
  return GetStdHandle(stream == OutputStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

}  // namespace

// ReadFile and WriteFile on the standard handles pass bytes unchanged: there
// is no text mode to switch off below the C library.
void PrepareStandardStreams() { SetConsoleOutputCP(CP_UTF8); }

std::size_t StandardInput::read(char* buffer, std::size_t capacity) {
  DWORD got = 0;
  if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, static_cast<DWORD>(std::min(capacity, kMaxTransfer)), &got,
                nullptr)) {
    const DWORD error = GetLastError();
    // A console read that Ctrl-C broke off.
    if (error == ERROR_OPERATION_ABORTED && InterruptRequested()) throw Interrupted();
    // ERROR_BROKEN_PIPE: the writer closed its end of the pipe, which is the
    // end of the input.
    if (error != ERROR_BROKEN_PIPE) FailWithLastError(kStandardInputSource);
  }
  // An end that comes with a stop request may be the writer's being stopped
  // too: the input is not known to be whole.
  if (got == 0 && InterruptRequested()) throw Interrupted();
  return got;
}

void StandardOutput::write(const char* data, std::size_t size) {
  const HANDLE handle = HandleOf(stream_);
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(handle, data, static_cast<DWORD>(std::min(size, kMaxTransfer)), &written, nullptr)) {
      // ERROR_NO_DATA: the pipe is being closed by its reader.
      const DWORD error = GetLastError();
      if (error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE) throw ReaderGone();
      throw Failure(FailureNumberFor(error), SourceName(stream_));
    }
    data += written;
    size -= written;
  }
}

bool IsTerminal(OutputStream stream) {
  DWORD mode = 0;
  return GetConsoleMode(HandleOf(stream), &mode) != 0;
}

std::optional<FileIdentity> IdentityOf(OutputStream stream) { return IdentityOfOpenFile(HandleOf(stream)); }

std::optional<FileIdentity> StandardInputIdentity() { return IdentityOfOpenFile(GetStdHandle(STD_INPUT_HANDLE)); }

StreamName StreamNamedBy(const std::string&) { return StreamName::None; }

void EndAsClosedPipe() {}

}  // namespace lum
