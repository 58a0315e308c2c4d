#include "tests/support/PosixFaults.h"

#include <grp.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace lum::test {

namespace {

constexpr uid_t kNobody = 65534;

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

}  // namespace

AsNobody::AsNobody() {
  if (::geteuid() != 0) return;
  const int count = ::getgroups(0, nullptr);
  groups_.resize(static_cast<std::size_t>(count));
  if (count < 0 || ::getgroups(count, groups_.data()) != count) Fail("getgroups");
  // The real user stays root, which lets the destructor switch back.
  if (::setgroups(0, nullptr) != 0 || ::setegid(kNobody) != 0 || ::seteuid(kNobody) != 0) Fail("become nobody");
  switched_ = true;
}

AsNobody::~AsNobody() {
  if (!switched_) return;
  // Root first: only root may set the groups.
  if (::seteuid(0) != 0 || ::setegid(0) != 0 || ::setgroups(groups_.size(), groups_.data()) != 0) std::abort();
}

SmallDisk::SmallDisk(std::uint64_t bytes) {
  char pattern[] = "/tmp/brevix_disk_XXXXXX";
  if (::mkdtemp(pattern) == nullptr) Fail("mkdtemp");
  folder_ = pattern;
  // Everyone may write, as in /tmp, so that tests may also run as nobody.
  const std::string options = "size=" + std::to_string(bytes) + ",mode=1777";
  if (::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0) {
    mounted_ = true;
  } else {
    problem_ = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
  }
}

SmallDisk::~SmallDisk() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string SmallDisk::path(const std::string& name) const { return folder_ + "/" + name; }

std::uint64_t SmallDisk::freeBytes() const {
  struct statvfs status {};
  if (::statvfs(folder_.c_str(), &status) != 0) Fail("statvfs");
  return std::uint64_t{status.f_bavail} * status.f_frsize;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes, sighandler_t action) : savedAction_(::signal(SIGXFSZ, action)) {
  ::getrlimit(RLIMIT_FSIZE, &saved_);
  rlimit limited = saved_;
  limited.rlim_cur = bytes;
  if (::setrlimit(RLIMIT_FSIZE, &limited) != 0) Fail("setrlimit");
}

FileSizeLimit::~FileSizeLimit() {
  ::setrlimit(RLIMIT_FSIZE, &saved_);
  ::signal(SIGXFSZ, savedAction_);
}

}  // namespace lum::test
