#include "platform/Files.h"

#include "failure/Failure.h"
#include "paths/Paths.h"
#include "platform/Files_internal.h"
#include "platform/SystemIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

namespace lum {
namespace {

bool IsFolder(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// A failure to create a file in the target's folder; there a missing entry
// can only be the folder.
[[noreturn]] void FailToCreate() {
  throw Failure(errno == ENOENT ? err::kPathNotFound : FailureNumberFor(errno), kOutputSource);
}

FileIdentity IdentityFrom(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// In a sticky folder that everyone may write to (/tmp), anybody may put a
// link under a name that another user's program is about to write, and aim
// it at any file that user may write. Such a link is followed only when its
// owner is this user or the folder's owner, the rule by which the kernel
// (fs.protected_symlinks) guards the links it follows itself; the links at
// the target's name are followed here, where it does not apply.
void RefusePlantedLink(const std::string& link, const struct stat& linkStatus) {
  struct stat folder {};
  if (::stat(FolderForFileCalls(link).c_str(), &folder) != 0) FailWithLastError(kOutputSource);
  const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
  if (shared && linkStatus.st_uid != ::geteuid() && linkStatus.st_uid != folder.st_uid) {
    throw Failure(err::kPathFileAccess, kOutputSource, "Cíl je odkaz jiného uživatele ve sdílené složce");
  }
}

// The name that a target path stands for: a symbolic link, or a chain of
// them, is followed to the name it points at, whether that exists or not, so
// that the copy replaces the linked file and the link itself stays. Fails
// early for a name too long for the file system, a loop of links or a link
// planted by another user.
std::string FollowLinks(std::string path) {
  constexpr int kMaxLinks = 40;  // as many as the kernel follows in one lookup
  for (int followed = 0; followed <= kMaxLinks; ++followed) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
      if (errno == ENOENT) return path;  // a new file; a missing folder shows when it is created
      FailWithLastError(kOutputSource);
    }
    if (!S_ISLNK(status.st_mode)) return path;
    RefusePlantedLink(path, status);
    std::string link(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : PATH_MAX), '\0');
    const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
    if (length < 0) FailWithLastError(kOutputSource);
    link.resize(static_cast<std::size_t>(length));
    path = link.front() == '/' ? link : FolderForFileCalls(path) + "/" + link;
  }
  throw Failure(err::kPathFileAccess, kOutputSource);
}

// Only a regular file in the target's place may be replaced: a rename over a
// folder fails anyway, and one over a pipe or a device (/dev/null) would put
// a plain file in its place. A read-only earlier target (no write permission
// bit at all) is refused too: replacing it would overrule its owner, who made
// it read-only. This holds for root as well, whom the permissions themselves
// do not stop.
void RefuseProtectedTarget(const struct stat& status) {
  if (!S_ISREG(status.st_mode) || (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    throw Failure(err::kPathFileAccess, kOutputSource);
  }
}

// Gives the unnamed file open as `fd` the name `path`, through its entry in
// /proc; false when the name is taken.
bool NameUnnamedFile(int fd, const std::string& path) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno != EEXIST) FailToCreate();
  return false;
}

// The earlier target's status, when there is one.
std::optional<struct stat> EarlierTarget(const std::string& target) {
  struct stat status {};
  if (::stat(target.c_str(), &status) == 0) return status;
  if (errno == ENOENT) return std::nullopt;
  FailWithLastError(kOutputSource);
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) noexcept {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return IdentityFrom(status);
}

std::optional<FileIdentity> IdentityOfOpenFile(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return IdentityFrom(status);
}

struct InputFile::Handle {
  explicit Handle(int opened) : fd(opened) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { ::close(fd); }
  int fd;
};

InputFile::InputFile(const std::string& path) {
  // O_NONBLOCK keeps a pipe without a writer from holding up the open; it
  // means nothing for the regular files that are read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    const int error = errno;
    // A missing file and a missing folder on the way report the same errno.
    if (error == ENOENT && !IsFolder(FolderForFileCalls(path))) throw Failure(err::kPathNotFound, kInputSource);
    throw Failure(FailureNumberFor(error), kInputSource);
  }
  handle_ = std::make_unique<Handle>(fd);
  struct stat status {};
  if (::fstat(fd, &status) != 0) FailWithLastError(kInputSource);
  // Folders, pipes and devices are no files to copy.
  if (!S_ISREG(status.st_mode)) throw Failure(err::kPathFileAccess, kInputSource);
  size_ = status.st_size;
  identity_ = IdentityFrom(status);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

InputFile::~InputFile() = default;

std::size_t InputFile::read(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t got = ::read(handle_->fd, buffer, std::min(capacity, kMaxTransfer));
    if (got >= 0) return CountRead(static_cast<std::size_t>(got), read_, size_);
    if (errno != EINTR) FailWithLastError(kInputSource);
  }
}

// The temporary file is preferably unnamed (O_TMPFILE): it then vanishes with
// the process whatever happens, and gets a name only in commit(). File
// systems without unnamed files get a named one at once.
struct ReplacementFile::Handle {
  int fd = -1;
  std::string target;
  std::string temporary;  // the temporary file's name, while it has one
  ~Handle() {
    if (fd >= 0) ::close(fd);
    if (!temporary.empty()) ::unlink(temporary.c_str());
  }
};

ReplacementFile::ReplacementFile(const std::string& target) : handle_(std::make_unique<Handle>()) {
  Handle& handle = *handle_;
  handle.target = FollowLinks(target);
  if (const auto earlier = EarlierTarget(handle.target)) RefuseProtectedTarget(*earlier);
#ifdef O_TMPFILE
  // An unnamed file gets its name in commit() through its entry in /proc.
  if (::access("/proc/self/fd", X_OK) == 0) {
    handle.fd = ::open(FolderForFileCalls(handle.target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (handle.fd >= 0) return;
    // These say that the file system has no unnamed files.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) FailToCreate();
  }
#endif
  for (;;) {
    std::string temporary = TemporaryNameFor(handle.target);
    handle.fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (handle.fd >= 0) {
      handle.temporary = std::move(temporary);
      return;
    }
    if (errno != EEXIST) FailToCreate();
  }
}

ReplacementFile::~ReplacementFile() = default;

void ReplacementFile::write(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(handle_->fd, data, std::min(size, kMaxTransfer));
    if (written < 0) {
      if (errno == EINTR) continue;
      FailWithLastError(kOutputSource);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void ReplacementFile::commit() {
  Handle& handle = *handle_;
  // The new file takes the earlier target's place with its permissions, and
  // its owner and group where the process may give them; it is refused if
  // the earlier one was made read-only meanwhile. The mode is set before the
  // file gets its name, so that it never shows with wider permissions.
  const std::optional<struct stat> earlier = EarlierTarget(handle.target);
  if (earlier) {
    RefuseProtectedTarget(*earlier);
    if (::fchown(handle.fd, earlier->st_uid, earlier->st_gid) != 0 &&
        ::fchown(handle.fd, static_cast<uid_t>(-1), earlier->st_gid) != 0) {
      // Neither is allowed: the file keeps the process's owner and group.
    }
    if (::fchmod(handle.fd, earlier->st_mode & 0777) != 0) FailWithLastError(kOutputSource);
  }
  // The target is a copy that can be made again from its source, so the
  // data is not forced to the disk before it gets its name.
  //
  // An unnamed file with no earlier target to replace gets the target's name
  // at once, so it never has another one. Replacing an earlier target takes a
  // rename, and so a temporary name, for the moment between the two calls.
  if (!earlier && handle.temporary.empty() && NameUnnamedFile(handle.fd, handle.target)) {
    if (::close(std::exchange(handle.fd, -1)) != 0 && errno != EINTR) {
      const int error = errno;
      ::unlink(handle.target.c_str());
      throw Failure(FailureNumberFor(error), kOutputSource);
    }
    return;
  }
  while (handle.temporary.empty()) {
    std::string temporary = TemporaryNameFor(handle.target);
    if (NameUnnamedFile(handle.fd, temporary)) handle.temporary = std::move(temporary);
  }
  // Linux closes the descriptor even when close() is interrupted.
  if (::close(std::exchange(handle.fd, -1)) != 0 && errno != EINTR) FailWithLastError(kOutputSource);
  if (::rename(handle.temporary.c_str(), handle.target.c_str()) != 0) FailWithLastError(kOutputSource);
  handle.temporary.clear();
}

}  // namespace lum
