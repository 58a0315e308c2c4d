#include "paths/Paths.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace lum {
namespace {

// What ends a folder for the system's file calls: Windows takes "/" as well
// as "\", and a drive's colon ("C:name").
#ifdef _WIN32
constexpr const char* kFileCallSeparators = "\\/:";
#else
constexpr const char* kFileCallSeparators = "/";
#endif

char SeparatorOf(PathStyle style) { return style == PathStyle::Windows ? '\\' : '/'; }

// The length of UTF-8 text in UTF-16 code units: one for every byte that
// starts a character, one more for a four-byte character, which UTF-16 holds
// as a surrogate pair.
std::size_t Utf16Length(std::string_view text) {
  std::size_t units = 0;
  for (const unsigned char byte : text) {
    if ((byte & 0xC0) != 0x80) ++units;
    if (byte >= 0xF0) ++units;
  }
  return units;
}

}  // namespace

std::optional<std::string> GetDirectoryPart(const std::string& path, PathStyle style) {
  const char separator = SeparatorOf(style);
  const std::size_t last = path.rfind(separator);
  if (last == std::string::npos) return std::nullopt;
  std::string folder = path.substr(0, last);
  // Two characters left are a drive ("C:"): its root keeps the separator.
  if (Utf16Length(folder) == 2) folder += separator;
  return folder;
}

std::string GetFileNamePart(const std::string& path, PathStyle style) {
  if (path.find(SeparatorOf(style)) == std::string::npos) return path;
  const std::size_t last = style == PathStyle::Windows ? path.find_last_of("\\:") : path.rfind('/');
  return path.substr(last + 1);
}

std::string JoinPath(const std::string& directory, const std::string& name, PathStyle style) {
  const char separator = SeparatorOf(style);
  std::string joined = directory;
  if (joined.empty() || joined.back() != separator) joined += separator;
  joined.append(name, !name.empty() && name.front() == separator ? 1 : 0);
  return joined;
}

std::size_t NameStart(const std::string& path) {
  const std::size_t separator = path.find_last_of(kFileCallSeparators);
  return separator == std::string::npos ? 0 : separator + 1;
}

std::string FolderForFileCalls(const std::string& path) {
  const std::size_t start = NameStart(path);
  if (start == 0) return ".";
  // A root ("/", "C:\") and a drive's current folder ("C:") keep their separator.
  const bool keepSeparator = start == 1 || path[start - 1] == ':' || (start == 3 && path[1] == ':');
  return path.substr(0, keepSeparator ? start : start - 1);
}

std::string SettingsFilePathFor(const std::string& programFolder, const std::string& executableName) {
  return programFolder + kNativeSeparator + executableName + ".INI";
}

}  // namespace lum
