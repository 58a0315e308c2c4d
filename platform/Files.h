#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/ByteStream.h"

namespace lum {

// Which regular file a name or an open stream stands for, so that two names
// of one file (links, or a stream redirected to it) can be told: its device
// and its number there (the volume serial and the file index on Windows).
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The regular file that `path` names, links followed; nothing for a name
// that is missing, cannot be looked at or is no regular file.
std::optional<FileIdentity> IdentityOf(const std::string& path) noexcept;

// A regular file opened for reading from its first byte. Paths are UTF-8.
// All failures are lum::Failure with a number of the error table: 53 for a
// missing file, 76 for a missing folder on the way, 70 where access is
// denied, 75 for anything that is not a regular file (a folder, a pipe, a
// device), which is refused at once without waiting for data; 57 for a read
// error, and for a file that ends before the length it had when opened (it
// was cut short while read), so that no copy of a part passes for a copy of
// the whole. Nothing is ever created. The file is closed by the destructor.
class InputFile final : public ByteSource {
 public:
  explicit InputFile(const std::string& path);
  ~InputFile() override;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // The length in bytes when the file was opened.
  std::int64_t size() const noexcept { return size_; }
  const FileIdentity& identity() const noexcept { return identity_; }

  std::size_t read(char* buffer, std::size_t capacity) override;

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
  std::int64_t size_ = 0;
  std::int64_t read_ = 0;  // bytes read so far
  FileIdentity identity_;
};

// A file written whole or not at all. The bytes go to a temporary file in the
// target's folder, which commit() puts in the target's place, replacing an
// earlier target whole; until then, and for good when the object is
// destroyed without commit(), the target stays as it was and the temporary
// file is removed. The new file gets the permissions of any newly created
// file (0666 less the umask on POSIX).
//
// On POSIX a symbolic link at the target's name is followed: the file it
// names is replaced and the link stays. In a sticky folder that everyone may
// write to (/tmp) only a link owned by this user or by the folder's owner is
// followed; one planted there by anybody else is refused with 75.
//
// Failures are lum::Failure: 76 when the target's folder is missing, 70 when
// it cannot be written to, 75 when the target is a folder, 61 when the disk
// or the file-size limit is full, 57 for a device error.
class ReplacementFile final : public ByteSink {
 public:
  explicit ReplacementFile(const std::string& target);
  ~ReplacementFile() override;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  void write(const char* data, std::size_t size) override;

  // Closes the temporary file and moves it to the target's name. No writes
  // may follow.
  void commit();

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
};

}  // namespace lum
