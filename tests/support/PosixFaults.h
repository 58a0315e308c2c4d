#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lum::test {

// While it lives, file permissions bind this process: a process run by root
// takes the effective user and group nobody (65534) and no supplementary
// groups, and gets root back at the end. Programs started meanwhile keep
// nobody's rights. Does nothing for a process that is no root.
class AsNobody {
 public:
  AsNobody();
  ~AsNobody();
  AsNobody(const AsNobody&) = delete;
  AsNobody& operator=(const AsNobody&) = delete;

 private:
  bool switched_ = false;
  std::vector<gid_t> groups_;
};

// A small, fresh tmpfs, mounted for the object's lifetime where mounting is
// allowed (root, or a user with the right in a mount namespace); mounted()
// tells. A full tmpfs makes writes fail with ENOSPC as a full disk does.
class SmallDisk {
 public:
  explicit SmallDisk(std::uint64_t bytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  // The UTF-8 path of `name` on the disk.
  std::string path(const std::string& name) const;
  // The bytes still free, as the file system counts them.
  std::uint64_t freeBytes() const;
  // Why mounting failed, for a skipped test.
  const std::string& problem() const { return problem_; }

 private:
  std::string folder_;
  bool mounted_ = false;
  std::string problem_;
};

// While it lives, files this process and the programs it starts write may
// not grow past `bytes` (a shell's `ulimit -f`), and SIGXFSZ has `action`:
// SIG_IGN makes such a write fail with EFBIG, SIG_DFL ends the process.
class FileSizeLimit {
 public:
  FileSizeLimit(rlim_t bytes, sighandler_t action);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t savedAction_;
};

}  // namespace lum::test
