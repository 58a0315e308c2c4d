#include "platform/StandardStreams.h"

#include <algorithm>

#include "platform/Interrupt.h"
#include "platform/SystemIo.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX  // std::min, not the macro
#endif
#include <windows.h>
#else
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace lum {
namespace {

constexpr const char* kInputSource = "StandardInput";

const char* SourceName(OutputStream stream) {
  return stream == OutputStream::Output ? "StandardOutput" : "StandardError";
}

#ifndef _WIN32

int DescriptorOf(OutputStream stream) { return stream == OutputStream::Output ? STDOUT_FILENO : STDERR_FILENO; }

// After EINTR: gives up when a stop was requested. After EAGAIN (a stream
// left non-blocking by whoever passed it on): waits until `fd` is ready for
// `events`. Anything else is a failure of `source`.
void AwaitRetry(int fd, short events, const char* source) {
  if (errno == EAGAIN || errno == EWOULDBLOCK) {
    pollfd ready{fd, events, 0};
    if (::poll(&ready, 1, -1) >= 0) return;
  }
  if (errno != EINTR) FailWithLastError(source);
  if (InterruptRequested()) throw Interrupted();
}

#endif

}  // namespace

#ifdef _WIN32

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
    if (error != ERROR_BROKEN_PIPE) FailWithLastError(kInputSource);
  }
  // An end that comes with a stop request may be the writer's being stopped
  // too: the input is not known to be whole.
  if (got == 0 && InterruptRequested()) throw Interrupted();
  return got;
}

void StandardOutput::write(const char* data, std::size_t size) {
  const HANDLE handle = GetStdHandle(stream_ == OutputStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(handle, data, static_cast<DWORD>(std::min(size, kMaxTransfer)), &written, nullptr)) {
      FailWithLastError(SourceName(stream_));
    }
    data += written;
    size -= written;
  }
}

bool IsTerminal(OutputStream stream) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(stream == OutputStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE), &mode) !=
         0;
}

#else

void PrepareStandardStreams() { std::signal(SIGPIPE, SIG_IGN); }

std::size_t StandardInput::read(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t got = ::read(STDIN_FILENO, buffer, std::min(capacity, kMaxTransfer));
    if (got > 0) return static_cast<std::size_t>(got);
    // An end that comes with a stop request may be the writer's being
    // stopped too: the input is not known to be whole.
    if (got == 0) {
      if (InterruptRequested()) throw Interrupted();
      return 0;
    }
    AwaitRetry(STDIN_FILENO, POLLIN, kInputSource);
  }
}

void StandardOutput::write(const char* data, std::size_t size) {
  const int fd = DescriptorOf(stream_);
  while (size > 0) {
    const ssize_t written = ::write(fd, data, std::min(size, kMaxTransfer));
    if (written < 0) {
      AwaitRetry(fd, POLLOUT, SourceName(stream_));
      continue;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
    // A signal that comes while a write waits cuts it short instead of
    // failing it.
    if (size > 0 && InterruptRequested()) throw Interrupted();
  }
}

bool IsTerminal(OutputStream stream) { return ::isatty(DescriptorOf(stream)) == 1; }

#endif

}  // namespace lum
