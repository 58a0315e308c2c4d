#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lum::test {

// How a finished program ended and what it wrote.
struct Finished {
  int status = 0;  // the exit code, or -signal when a signal ended it
  std::string out;
  std::string err;
  long peakKiB = 0;  // its peak resident memory
};

// Where the child's standard error goes.
enum class ErrorsTo { Pipe, Terminal };

// The program under test, lum-brevix, running in `folder` with pipes on its
// standard input and output, and a pipe or a terminal (a pseudo-terminal in
// raw mode, so that the bytes arrive unchanged) on standard error.
class Child {
 public:
  Child(const std::vector<std::string>& arguments, const std::string& folder, ErrorsTo errorsTo = ErrorsTo::Pipe);
  ~Child();  // ends a child still running
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  // False once the child is known to have ended.
  bool running() const { return !ended_; }

  // Writes `bytes` to the child's standard input, waiting as long as it takes.
  void send(std::string_view bytes);
  // Closes the reading end of the child's standard output, so that its
  // writes there fail.
  void stopReadingOutput();
  // The position in the file `path` that the child has opened, with the child
  // held still (SIGSTOP) while it is read and left stopped; nothing while the
  // file is not open. Pair with resume().
  std::optional<long long> stopAndReadPosition(const std::string& path);
  void resume();

  // Sends `input` and closes standard input, reads standard output and
  // error to their end, and waits for the child to end.
  Finished finish(std::string_view input = {});

 private:
  pid_t pid_ = -1;
  int in_ = -1;   // its standard input
  int out_ = -1;  // its standard output
  int err_ = -1;  // its standard error (the terminal's master side)
  std::optional<Finished> ended_;  // when it ended while stopped
};

// The path of the program under test.
std::string ProgramPath();

}  // namespace lum::test
