#include "platform/SystemIo.h"

#include "failure/Failure.h"

#include <windows.h>

namespace lum {

int FailureNumberFor(SystemErrorCode error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return err::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return err::kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return err::kPermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      return err::kDiskFull;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_BROKEN_PIPE:  // the other end of a pipe is gone
    case ERROR_NO_DATA:      // the same, seen by a write
      return err::kDeviceIo;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return err::kOutOfMemory;
    default:
      return err::kPathFileAccess;
  }
}

void FailWithLastError(const char* source) { throw Failure(FailureNumberFor(GetLastError()), source); }

}  // namespace lum
