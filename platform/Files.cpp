#include "platform/Files.h"

#include "platform/Failure.h"
#include "platform/SystemIo.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX  // std::min, not the macro
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <random>
#include <utility>

namespace lum {
namespace {

constexpr const char* kInputSource = "InputFile";
constexpr const char* kOutputSource = "ReplacementFile";

#ifdef _WIN32
constexpr const char* kSeparators = "\\/:";
#else
constexpr const char* kSeparators = "/";
#endif

// A name in the target's folder for the bytes on their way:
// ".<target name>.<random>.tmp", hidden on POSIX.
std::string TemporaryNameFor(const std::string& target) {
  static std::random_device entropy;
  const std::uint64_t random = (std::uint64_t{entropy()} << 32) | entropy();
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%016" PRIx64 ".tmp", random);
  const std::size_t separator = target.find_last_of(kSeparators);
  const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  return target.substr(0, nameStart) + "." + target.substr(nameStart) + suffix;
}

// Counts a read of `got` bytes into `read`; the end of a file that had
// `size` bytes when opened may come no sooner than that.
std::size_t CountRead(std::size_t got, std::int64_t& read, std::int64_t size) {
  if (got == 0 && read < size) throw Failure(err::kDeviceIo, kInputSource);
  read += static_cast<std::int64_t>(got);
  return got;
}

#ifdef _WIN32

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

#else

std::string FolderOf(const std::string& path) {
  const std::size_t separator = path.rfind('/');
  if (separator == std::string::npos) return ".";
  return separator == 0 ? "/" : path.substr(0, separator);
}

bool IsFolder(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// A failure to create a file in the target's folder; there a missing entry
// can only be the folder.
[[noreturn]] void FailToCreate() {
  throw Failure(errno == ENOENT ? err::kPathNotFound : FailureNumberFor(errno), kOutputSource);
}

#endif

}  // namespace

#ifdef _WIN32

struct InputFile::Handle {
  explicit Handle(HANDLE opened) : file(opened) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { CloseHandle(file); }
  HANDLE file;
};

InputFile::InputFile(const std::string& path) {
  const std::wstring widePath = Wide(path);
  if (IsFolder(widePath)) throw Failure(err::kPathFileAccess, kInputSource);
  const HANDLE file = CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) FailWithLastError(kInputSource);
  handle_ = std::make_unique<Handle>(file);
  // Pipes, consoles and devices such as NUL are no files to copy.
  if (GetFileType(file) != FILE_TYPE_DISK) throw Failure(err::kPathFileAccess, kInputSource);
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) FailWithLastError(kInputSource);
  size_ = size.QuadPart;
}

InputFile::~InputFile() = default;

std::size_t InputFile::read(char* buffer, std::size_t capacity) {
  DWORD got = 0;
  if (!ReadFile(handle_->file, buffer, static_cast<DWORD>(std::min(capacity, kMaxTransfer)), &got, nullptr)) {
    FailWithLastError(kInputSource);
  }
  return CountRead(got, read_, size_);
}

struct ReplacementFile::Handle {
  HANDLE file = INVALID_HANDLE_VALUE;
  std::wstring target;
  std::wstring temporary;  // empty once committed
  ~Handle() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!temporary.empty()) DeleteFileW(temporary.c_str());
  }
};

ReplacementFile::ReplacementFile(const std::string& target) : handle_(std::make_unique<Handle>()) {
  Handle& handle = *handle_;
  handle.target = Wide(target);
  if (IsFolder(handle.target)) throw Failure(err::kPathFileAccess, kOutputSource);
  for (;;) {
    const std::wstring temporary = Wide(TemporaryNameFor(target));
    handle.file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle.file != INVALID_HANDLE_VALUE) {
      handle.temporary = temporary;
      return;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      throw Failure(FailureNumberFor(error), kOutputSource);
    }
  }
}

ReplacementFile::~ReplacementFile() = default;

void ReplacementFile::write(const char* data, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(handle_->file, data, static_cast<DWORD>(std::min(size, kMaxTransfer)), &written, nullptr)) {
      FailWithLastError(kOutputSource);
    }
    data += written;
    size -= written;
  }
}

void ReplacementFile::commit() {
  Handle& handle = *handle_;
  if (!CloseHandle(std::exchange(handle.file, INVALID_HANDLE_VALUE))) FailWithLastError(kOutputSource);
  if (!MoveFileExW(handle.temporary.c_str(), handle.target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    FailWithLastError(kOutputSource);
  }
  handle.temporary.clear();
}

#else

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
    if (error == ENOENT && !IsFolder(FolderOf(path))) throw Failure(err::kPathNotFound, kInputSource);
    throw Failure(FailureNumberFor(error), kInputSource);
  }
  handle_ = std::make_unique<Handle>(fd);
  struct stat status {};
  if (::fstat(fd, &status) != 0) FailWithLastError(kInputSource);
  // Folders, pipes and devices are no files to copy.
  if (!S_ISREG(status.st_mode)) throw Failure(err::kPathFileAccess, kInputSource);
  size_ = status.st_size;
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
  handle.target = target;
  if (IsFolder(target)) throw Failure(err::kPathFileAccess, kOutputSource);
#ifdef O_TMPFILE
  // An unnamed file gets its name in commit() through its entry in /proc.
  if (::access("/proc/self/fd", X_OK) == 0) {
    handle.fd = ::open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (handle.fd >= 0) return;
    // These say that the file system has no unnamed files.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) FailToCreate();
  }
#endif
  for (;;) {
    std::string temporary = TemporaryNameFor(target);
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
  // The target is a copy that can be made again from its source, so the
  // data is not forced to the disk before the rename.
  while (handle.temporary.empty()) {
    const std::string self = "/proc/self/fd/" + std::to_string(handle.fd);
    std::string temporary = TemporaryNameFor(handle.target);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      handle.temporary = std::move(temporary);
    } else if (errno != EEXIST) {
      FailToCreate();
    }
  }
  // Linux closes the descriptor even when close() is interrupted.
  if (::close(std::exchange(handle.fd, -1)) != 0 && errno != EINTR) FailWithLastError(kOutputSource);
  if (::rename(handle.temporary.c_str(), handle.target.c_str()) != 0) FailWithLastError(kOutputSource);
  handle.temporary.clear();
}

#endif

}  // namespace lum
