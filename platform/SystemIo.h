#pragma once

#include <cstddef>

// What the wrappers of the OS's file and stream calls share.

namespace lum {

// One read or write call moves at most 1 GiB, which every platform accepts.
inline constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

// The operating system's error codes: GetLastError() values on Windows,
// errno values elsewhere.
#ifdef _WIN32
using SystemErrorCode = unsigned long;  // DWORD
#else
using SystemErrorCode = int;
#endif

// The failure number (see platform/Failure.h) for an error code of a file or
// stream call: 53 a missing file, 76 a missing folder, 70 access denied,
// 61 a full disk or file-size limit, 57 a device error or a closed pipe,
// 7 no memory, 75 anything else.
int FailureNumberFor(SystemErrorCode error);

// Throws lum::Failure with the number for the calling thread's last error
// code (GetLastError() or errno) and `source` as its source.
[[noreturn]] void FailWithLastError(const char* source);

}  // namespace lum
