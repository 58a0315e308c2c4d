#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace lum::test {

// The program under test, lum-brevix, started in `folder` with a pipe on its
// standard input and error and its standard output going nowhere; killed if
// it still runs when the object goes.
class Child {
 public:
  Child(const std::vector<std::string>& arguments, const std::string& folder);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  // Writes `bytes` to the child's standard input.
  void send(std::string_view bytes);
  // Closes standard input, reads standard error to its end and waits: the
  // exit code, or -signal when a signal ended the child, and what it said.
  std::pair<int, std::string> finish();

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int err_ = -1;
};

}  // namespace lum::test
