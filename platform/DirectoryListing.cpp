#include "platform/DirectoryListing.h"

#include "platform/Failure.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <glob.h>
#include <sys/stat.h>
#endif

namespace lum {

#ifdef _WIN32

namespace {

std::wstring Widen(const std::string& utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

std::string Narrow(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

}  // namespace

std::string FirstDirectoryMatch(const std::string& path, int attributes) {
  if (path.empty()) return {};
  std::wstring pattern = Widen(path);
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
    if (admitted) name = Narrow(found.cFileName);
  } while (name.empty() && FindNextFileW(search, &found));
  FindClose(search);
  return name;
}

#else

namespace {

std::string LastComponent(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

}  // namespace

std::string FirstDirectoryMatch(const std::string& path, int attributes) {
  if (path.empty()) return {};
  // A folder listing starts with the folder itself, ".".
  const bool listsFolder = path.back() == '/';
  if (listsFolder && (attributes & kAttrDirectory) != 0) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? "." : "";
  }
  const std::string pattern = listsFolder ? path + "*" : path;
  glob_t matches{};
  const int result = glob(pattern.c_str(), (attributes & kAttrHidden) != 0 ? GLOB_PERIOD : 0, nullptr, &matches);
  std::string name;
  if (result == 0) {
    for (size_t i = 0; i < matches.gl_pathc && name.empty(); ++i) {
      struct stat info {};
      if (stat(matches.gl_pathv[i], &info) != 0) continue;
      if (!S_ISDIR(info.st_mode) || (attributes & kAttrDirectory) != 0) name = LastComponent(matches.gl_pathv[i]);
    }
  }
  globfree(&matches);
  if (result != 0 && result != GLOB_NOMATCH) throw Failure(err::kPathFileAccess, "QueryDir");
  return name;
}

#endif

}  // namespace lum
