#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Files.h"

// Internal to the platform layer: what the two systems' InputFile and
// ReplacementFile share, and what the standard streams take from the files.

namespace lum {

// The sources of the failures the files raise.
inline constexpr const char* kInputSource = "InputFile";
inline constexpr const char* kOutputSource = "ReplacementFile";

// A name in the target's folder for the bytes on their way: ".lum-<random>.tmp",
// hidden on POSIX. It has a fixed length, short enough for any file system,
// so that it can never fail where the target's own name would not.
std::string TemporaryNameFor(const std::string& target);

// Counts a read of `got` bytes into `read`; the end of a file that had
// `size` bytes when opened may come no sooner than that.
std::size_t CountRead(std::size_t got, std::int64_t& read, std::int64_t size);

// The regular file open under the system's handle (a descriptor on POSIX, a
// HANDLE on Windows), if it is one.
#ifdef _WIN32
std::optional<FileIdentity> IdentityOfOpenFile(void* handle);
#else
std::optional<FileIdentity> IdentityOfOpenFile(int fd);
#endif

}  // namespace lum
