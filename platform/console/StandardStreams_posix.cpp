#include "platform/console/StandardStreams.h"

#include <algorithm>

#include "platform/Files_internal.h"
#include "platform/SystemIo.h"
#include "platform/console/Interrupt.h"
#include "platform/console/StandardStreams_internal.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string_view>

namespace lum {
namespace {

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

}  // namespace

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
    AwaitRetry(STDIN_FILENO, POLLIN, kStandardInputSource);
  }
}

void StandardOutput::write(const char* data, std::size_t size) {
  const int fd = DescriptorOf(stream_);
  while (size > 0) {
    const ssize_t written = ::write(fd, data, std::min(size, kMaxTransfer));
    if (written < 0) {
      if (errno == EPIPE) throw ReaderGone();
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

std::optional<FileIdentity> IdentityOf(OutputStream stream) { return IdentityOfOpenFile(DescriptorOf(stream)); }

std::optional<FileIdentity> StandardInputIdentity() { return IdentityOfOpenFile(STDIN_FILENO); }

StreamName StreamNamedBy(const std::string& path) {
  if (path == "/dev/stdout") return StreamName::StandardOutput;
  if (path == "/dev/stdin" || path == "/dev/stderr") return StreamName::OtherStream;
  for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
    if (!path.starts_with(folder)) continue;
    const std::string_view number = std::string_view(path).substr(folder.size());
    if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos) return StreamName::None;
    return number == "1" ? StreamName::StandardOutput : StreamName::OtherStream;
  }
  return StreamName::None;
}

void EndAsClosedPipe() {
  std::signal(SIGPIPE, SIG_DFL);
  std::raise(SIGPIPE);
}

}  // namespace lum
