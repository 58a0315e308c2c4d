#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace lum {

// How a path is taken apart. Windows: "\" separates folders, and the drive
// colon ends the folder part for GetFileNamePart ("C:file.xml"); "/" is an
// ordinary character. Posix: "/" separates folders; ":" and "\" are ordinary
// characters. Paths are UTF-8 text.
enum class PathStyle { Windows, Posix };

// The folder separator and the path style of the system the program runs on.
#ifdef _WIN32
inline constexpr char kNativeSeparator = '\\';
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr char kNativeSeparator = '/';
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// The folder part of a path that holds a separator: everything before its
// last separator, with the separator kept when exactly two characters (UTF-16
// code units, as the window counts them) would remain, so that "C:\" stays a
// root; the root "/" gives the empty text, which JoinPath makes "/" again.
// Nothing for a path without a separator: it has no folder part.
std::optional<std::string> GetDirectoryPart(const std::string& path, PathStyle style);

// The file-name part of `path`, extension included: what follows the last
// separator ("\" or the drive colon in the Windows style). A path without a
// folder separator is returned whole, also "C:file.xml"; a path that ends in a
// separator gives the empty text. Cannot fail.
std::string GetFileNamePart(const std::string& path, PathStyle style);

// `directory` and `name` with exactly one separator added between them: one
// is appended to a directory that does not end in one (also to an empty
// directory), and one leading separator of `name` is dropped. Cannot fail.
std::string JoinPath(const std::string& directory, const std::string& name, PathStyle style);

// Where the last name of `path` starts for the system's file calls, which
// take more separators than the rules above: after the last "/", on Windows
// also after the last "\" or drive colon. 0 for a bare name.
std::size_t NameStart(const std::string& path);

// The folder that holds the entry `path` names, for the system's file calls:
// "." for a bare name; a root ("/", "C:\") and a drive ("C:") keep their
// separator.
std::string FolderForFileCalls(const std::string& path);

// The settings file's path: the program folder, a separator, the executable's
// name without extension, and ".INI" (LUM_Brevix.INI beside LUM_Brevix).
// Formed as written, also at a root folder, where the folder already ends in
// a separator and two of them stand in a row.
std::string SettingsFilePathFor(const std::string& programFolder, const std::string& executableName);

}  // namespace lum
