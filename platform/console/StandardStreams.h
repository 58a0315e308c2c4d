#pragma once

#include <cstddef>

#include "platform/ByteStream.h"

namespace lum {

// Sets the standard streams up for a command-line program: bytes pass
// unchanged (binary mode on Windows, where the console also gets UTF-8), and
// writing to a pipe whose reader is gone fails with an error instead of
// ending the process (SIGPIPE is ignored on POSIX). Call once, first thing.
void PrepareStandardStreams();

// Standard input, read as bytes. Failures are lum::Failure (57 for a read
// error); a read that a stop request (see platform/console/Interrupt.h)
// breaks off throws lum::Interrupted.
class StandardInput final : public ByteSource {
 public:
  StandardInput() = default;
  std::size_t read(char* buffer, std::size_t capacity) override;
};

enum class OutputStream { Output, Error };

// Standard output or standard error, written as bytes. Writes are not
// buffered. Failures are lum::Failure (57 when the reader of a pipe is gone,
// 61 for a full disk); a write that a stop request breaks off throws
// lum::Interrupted.
class StandardOutput final : public ByteSink {
 public:
  explicit StandardOutput(OutputStream stream) : stream_(stream) {}
  void write(const char* data, std::size_t size) override;

 private:
  OutputStream stream_;
};

// Whether `stream` goes to a terminal (a console window on Windows).
bool IsTerminal(OutputStream stream);

}  // namespace lum
