#include "tests/support/Child.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>

namespace lum::test {

Child::Child(const std::vector<std::string>& arguments, const std::string& folder) {
  // A child that stops reading its input must not end the test.
  ::signal(SIGPIPE, SIG_IGN);
  int input[2];
  int errors[2];
  if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(errors, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  std::vector<std::string> argv = arguments;
  argv.insert(argv.begin(), LUM_BREVIX_PROGRAM);
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ == 0) {
    // As a shell starts it: an ignored signal would stay ignored across exec.
    ::signal(SIGPIPE, SIG_DFL);
    const int nowhere = ::open("/dev/null", O_WRONLY);
    if (::dup2(input[0], 0) < 0 || ::dup2(nowhere, 1) < 0 || ::dup2(errors[1], 2) < 0 || ::chdir(folder.c_str()) != 0) {
      ::_exit(127);
    }
    ::execv(pointers[0], pointers.data());
    ::_exit(127);
  }
  ::close(input[0]);
  ::close(errors[1]);
  in_ = input[1];
  err_ = errors[0];
}

Child::~Child() {
  if (pid_ > 0) ::kill(pid_, SIGKILL), ::waitpid(pid_, nullptr, 0);
  if (in_ >= 0) ::close(in_);
  if (err_ >= 0) ::close(err_);
}

void Child::send(std::string_view bytes) {
  for (ssize_t written; !bytes.empty(); bytes.remove_prefix(static_cast<std::size_t>(written))) {
    if ((written = ::write(in_, bytes.data(), bytes.size())) < 0) throw std::runtime_error("write");
  }
}

std::pair<int, std::string> Child::finish() {
  ::close(std::exchange(in_, -1));
  std::string said;
  char buffer[4096];
  for (ssize_t got; (got = ::read(err_, buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<std::size_t>(got));
  int status = 0;
  ::waitpid(std::exchange(pid_, -1), &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status), said};
}

}  // namespace lum::test
