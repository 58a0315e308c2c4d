#include "tests/support/Child.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace lum::test {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what + ": " + std::to_string(errno)); }

void ClosePipe(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

Finished Ended(int status, const rusage& usage) {
  Finished finished;
  finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  finished.peakKiB = usage.ru_maxrss;
  return finished;
}

}  // namespace

std::string ProgramPath() { return LUM_BREVIX_PROGRAM; }

Child::Child(const std::vector<std::string>& arguments, const std::string& folder, ErrorsTo errorsTo) {
  // A child that stops reading its input must not end the test.
  ::signal(SIGPIPE, SIG_IGN);
  int input[2];
  int output[2];
  int errors[2];  // [0] the parent's end, [1] the child's
  if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) Fail("pipe");
  if (errorsTo == ErrorsTo::Pipe) {
    if (::pipe2(errors, O_CLOEXEC) != 0) Fail("pipe");
  } else {
    termios raw{};
    cfmakeraw(&raw);
    if (::openpty(&errors[0], &errors[1], nullptr, &raw, nullptr) != 0) Fail("openpty");
    ::fcntl(errors[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(errors[1], F_SETFD, FD_CLOEXEC);
  }
  std::vector<std::string> argv = arguments;
  argv.insert(argv.begin(), ProgramPath());
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ < 0) Fail("fork");
  if (pid_ == 0) {
    // As a shell starts it: an ignored signal would stay ignored across exec.
    ::signal(SIGPIPE, SIG_DFL);
    // dup2 clears close-on-exec on the copies.
    if (::dup2(input[0], 0) < 0 || ::dup2(output[1], 1) < 0 || ::dup2(errors[1], 2) < 0 ||
        ::chdir(folder.c_str()) != 0) {
      ::_exit(127);
    }
    ::execv(pointers[0], pointers.data());
    ::_exit(127);
  }
  ::close(input[0]);
  ::close(output[1]);
  ::close(errors[1]);
  in_ = input[1];
  out_ = output[0];
  err_ = errors[0];
}

Child::~Child() {
  if (!ended_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  ClosePipe(in_);
  ClosePipe(out_);
  ClosePipe(err_);
}

void Child::send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(in_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail("write");
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void Child::stopReadingOutput() { ClosePipe(out_); }

std::optional<long long> Child::stopAndReadPosition(const std::string& path) {
  if (ended_) return std::nullopt;
  ::kill(pid_, SIGSTOP);
  int status = 0;
  rusage usage{};
  if (::wait4(pid_, &status, WUNTRACED, &usage) != pid_) Fail("wait4");
  if (!WIFSTOPPED(status)) {
    ended_ = Ended(status, usage);
    return std::nullopt;
  }
  const fs::path process = "/proc/" + std::to_string(pid_);
  std::error_code error;
  for (const fs::directory_entry& fd : fs::directory_iterator(process / "fd", error)) {
    if (fs::read_symlink(fd.path(), error) != fs::path(path)) continue;
    std::ifstream info(process / "fdinfo" / fd.path().filename());
    std::string key;
    long long position = 0;
    while (info >> key >> position) {
      if (key == "pos:") return position;
    }
  }
  return std::nullopt;
}

void Child::resume() { ::kill(pid_, SIGCONT); }

Finished Child::finish(std::string_view input) {
  if (input.empty()) ClosePipe(in_);
  // Writes no more than fits, so that the child's output is read meanwhile.
  if (in_ >= 0) ::fcntl(in_, F_SETFL, O_NONBLOCK);
  std::string out;
  std::string err;
  while (in_ >= 0 || out_ >= 0 || err_ >= 0) {
    pollfd fds[3] = {{in_, POLLOUT, 0}, {out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (::poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      Fail("poll");
    }
    if (fds[0].revents != 0) {
      const ssize_t written = ::write(in_, input.data(), input.size());
      if (written > 0) input.remove_prefix(static_cast<std::size_t>(written));
      // A child that does not read its input to the end closes the pipe.
      if ((written < 0 && errno != EAGAIN) || input.empty()) ClosePipe(in_);
    }
    for (int stream = 1; stream <= 2; ++stream) {
      if (fds[stream].revents == 0) continue;
      char buffer[65536];
      const ssize_t got = ::read(fds[stream].fd, buffer, sizeof buffer);
      // A terminal whose other side is closed reports EIO.
      if (got <= 0) {
        ClosePipe(stream == 1 ? out_ : err_);
      } else {
        (stream == 1 ? out : err).append(buffer, static_cast<std::size_t>(got));
      }
    }
  }
  if (!ended_) {
    int status = 0;
    rusage usage{};
    if (::wait4(pid_, &status, 0, &usage) != pid_) Fail("wait4");
    ended_ = Ended(status, usage);
  }
  Finished finished = *ended_;
  finished.out = std::move(out);
  finished.err = std::move(err);
  return finished;
}

}  // namespace lum::test
