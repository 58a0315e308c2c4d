#include "platform/DirectoryListing.h"

#include "failure/Failure.h"
#include "platform/WinText_internal.h"

#include <windows.h>

namespace lum {

std::string FirstDirectoryMatch(const std::string& path, int attributes) {
  if (path.empty()) return {};
  std::wstring pattern = WideFromUtf8(path);
  if (pattern.back() == L'\\' || pattern.back() == L'/') pattern += L'*';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return {};
    throw Failure(error == ERROR_PATH_NOT_FOUND ? err::kPathNotFound : err::kPathFileAccess, "QueryDir");
  }
  std::string name;
  do {
    const DWORD kind = found.dwFileAttributes;
    const bool admitted = ((kind & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attributes & kAttrDirectory) != 0) &&
                          ((kind & FILE_ATTRIBUTE_HIDDEN) == 0 || (attributes & kAttrHidden) != 0);
    if (admitted) name = Utf8FromWide(found.cFileName);
  } while (name.empty() && FindNextFileW(search, &found));
  FindClose(search);
  return name;
}

}  // namespace lum
