#pragma once

#include <grp.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace lum::test {

[[noreturn]] inline void FailWithErrno(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

// While it lives, file permissions bind this process: a process run by root
// takes the effective user and group nobody (65534) and no supplementary
// groups, and gets root back at the end. Does nothing for a process that is
// no root.
class AsNobody {
 public:
  AsNobody() {
    if (::geteuid() != 0) return;
    const int count = ::getgroups(0, nullptr);
    groups_.resize(static_cast<std::size_t>(std::max(count, 0)));
    if (count < 0 || ::getgroups(count, groups_.data()) != count) FailWithErrno("getgroups");
    // The real user stays root, which lets the destructor switch back.
    if (::setgroups(0, nullptr) != 0 || ::setegid(65534) != 0 || ::seteuid(65534) != 0) FailWithErrno("nobody");
    switched_ = true;
  }
  ~AsNobody() {
    // Root first: only root may set the groups.
    if (switched_ && (::seteuid(0) != 0 || ::setegid(0) != 0 || ::setgroups(groups_.size(), groups_.data()) != 0)) {
      std::abort();
    }
  }
  AsNobody(const AsNobody&) = delete;
  AsNobody& operator=(const AsNobody&) = delete;

 private:
  bool switched_ = false;
  std::vector<gid_t> groups_;
};

// A small, fresh tmpfs, mounted for the object's lifetime where mounting is
// allowed (root, or a user with the right in a mount namespace), else a plain
// folder in /tmp; mounted() tells, problem() says why not. A full tmpfs makes writes fail with ENOSPC
// as a full disk does.
class SmallDisk {
 public:
  explicit SmallDisk(std::uint64_t bytes) {
    char pattern[] = "/tmp/brevix_disk_XXXXXX";
    if (::mkdtemp(pattern) == nullptr) FailWithErrno("mkdtemp");
    folder_ = pattern;
    // Everyone may write, as in /tmp, so that tests may also run as nobody.
    const std::string options = "size=" + std::to_string(bytes) + ",mode=1777";
    mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    if (!mounted_) problem_ = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& problem() const { return problem_; }
  std::string path(const std::string& name) const { return folder_ + "/" + name; }
  // The bytes still free, as the file system counts them.
  std::uint64_t freeBytes() const {
    struct statvfs status {};
    if (::statvfs(folder_.c_str(), &status) != 0) FailWithErrno("statvfs");
    return std::uint64_t{status.f_bavail} * status.f_frsize;
  }

 private:
  std::string folder_;
  bool mounted_ = false;
  std::string problem_;
};

}  // namespace lum::test
