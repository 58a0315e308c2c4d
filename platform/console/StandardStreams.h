#pragma once

#include <cstddef>
#include <exception>
#include <optional>
#include <string>

#include "platform/ByteStream.h"
#include "platform/Files.h"

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

// Thrown where a write finds that the reader of the pipe is gone, as when
// `head` has read all it wanted: no failure of the program, which is to end
// quietly (see EndAsClosedPipe).
class ReaderGone final : public std::exception {
 public:
  const char* what() const noexcept override { return "reader gone"; }
};

// Standard output or standard error, written as bytes. Writes are not
// buffered. Failures are lum::Failure (61 for a full disk, 57 for a device
// error); a closed pipe throws ReaderGone, and a write that a stop request
// breaks off throws lum::Interrupted.
class StandardOutput final : public ByteSink {
 public:
  explicit StandardOutput(OutputStream stream) : stream_(stream) {}
  void write(const char* data, std::size_t size) override;

 private:
  OutputStream stream_;
};

// Whether `stream` goes to a terminal (a console window on Windows).
bool IsTerminal(OutputStream stream);

// The regular file that `stream` goes to, if it goes to one.
std::optional<FileIdentity> IdentityOf(OutputStream stream);

// The regular file that standard input comes from, if it comes from one.
std::optional<FileIdentity> StandardInputIdentity();

// What a path stands for among the process's own open streams. On POSIX
// /dev/stdout, /dev/fd/1 and /proc/self/fd/1 are standard output; /dev/stdin,
// /dev/stderr and the other /dev/fd/N and /proc/self/fd/N are other streams,
// which a copy cannot be written to as a file (its temporary file and rename
// need a folder). Windows has no such names.
enum class StreamName { None, StandardOutput, OtherStream };
StreamName StreamNamedBy(const std::string& path);

// Ends the process as a filter ends when its reader is gone: on POSIX by
// SIGPIPE at its default action, so that the shell sees what it sees for
// any other filter; on Windows, which has no such signal, it returns.
void EndAsClosedPipe();

}  // namespace lum
