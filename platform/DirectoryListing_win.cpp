#include "platform/DirectoryListing.h"

#include "failure/Failure.h"
#include "platform/WinText_internal.h"

#include <windows.h>

namespace lum {

std::string FirstDirectoryMatch(const std::string& path, int attributes) {
  if (path.empty()) return {};
  std::wstring query = WideFromUtf8(path);
  // A folder's listing starts with its own entry, ".".
  if (query.back() == L'\\' || query.back() == L'/') query += L'*';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(query.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return {};
    throw Failure(error == ERROR_PATH_NOT_FOUND ? err::kPathNotFound : err::kPathFileAccess, "QueryDir");
  }
  FindClose(search);
  const bool admitted = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attributes & kAttrDirectory) != 0;
  return admitted ? Utf8FromWide(found.cFileName) : std::string();
}

}  // namespace lum
