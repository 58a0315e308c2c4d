#include "platform/SystemIo.h"

#include "failure/Failure.h"

#include <cerrno>

namespace lum {

int FailureNumberFor(SystemErrorCode error) {
  switch (error) {
    case ENOENT:
      return err::kFileNotFound;
    case ENOTDIR:
      return err::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return err::kPermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return err::kDiskFull;
    case EIO:
    case EPIPE:  // the reader of a pipe is gone
      return err::kDeviceIo;
    case ENOMEM:
      return err::kOutOfMemory;
    default:  // EISDIR, ELOOP, ENAMETOOLONG, ENXIO and the like
      return err::kPathFileAccess;
  }
}

void FailWithLastError(const char* source) { throw Failure(FailureNumberFor(errno), source); }

}  // namespace lum
