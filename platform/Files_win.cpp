#include "platform/Files.h"

#include "failure/Failure.h"
#include "platform/Files_internal.h"
#include "platform/SystemIo.h"
#include "platform/WinText_internal.h"

#ifndef NOMINMAX
#define NOMINMAX  // std::min, not the macro
#endif
#include <windows.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace lum {
namespace {

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A folder in the target's place, an earlier target with the read-only
// attribute (which its owner set so that it is not overwritten) and a name
// the file system cannot hold are refused before anything is written.
void RefuseProtectedTarget(const std::wstring& target) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;  // created, or 76, below
    throw Failure(FailureNumberFor(error), kOutputSource);
  }
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    throw Failure(err::kPathFileAccess, kOutputSource);
  }
}

}  // namespace

std::optional<FileIdentity> IdentityOfOpenFile(void* handle) {
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return FileIdentity{information.dwVolumeSerialNumber,
                      (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

std::optional<FileIdentity> IdentityOf(const std::string& path) noexcept {
  try {
    // No access asked for: the file's information only, also of a file
    // that others hold open without sharing.
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    const std::optional<FileIdentity> identity = IdentityOfOpenFile(file);
    CloseHandle(file);
    return identity;
  } catch (...) {
    return std::nullopt;  // a name that is no UTF-8, or no memory for its conversion
  }
}

struct InputFile::Handle {
  explicit Handle(HANDLE opened) : file(opened) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { CloseHandle(file); }
  HANDLE file;
};

InputFile::InputFile(const std::string& path) {
  const std::wstring widePath = WideFromUtf8(path);
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
  if (const std::optional<FileIdentity> identity = IdentityOfOpenFile(file)) identity_ = *identity;
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
  handle.target = WideFromUtf8(target);
  RefuseProtectedTarget(handle.target);
  for (;;) {
    const std::wstring temporary = WideFromUtf8(TemporaryNameFor(target));
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

}  // namespace lum
