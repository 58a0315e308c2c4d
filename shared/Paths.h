#pragma once

#include <functional>
#include <string>

#include "platform/Failure.h"
#include "platform/Program.h"

namespace lum {

// How a path is taken apart. Windows: "\" separates folders, and the drive
// colon ends the folder part for GetFileNamePart ("C:file.xml"); "/" is an
// ordinary character. Posix: "/" separates folders; ":" and "\" are ordinary
// characters. Paths are UTF-8 text.
enum class PathStyle { Windows, Posix };

// The style of the platform the program runs on.
inline constexpr PathStyle kNativePathStyle = kNativeSeparator == '\\' ? PathStyle::Windows : PathStyle::Posix;

// Receives a failure that a routine catches itself; the window shows it in an
// error box with the critical icon.
using FailureReporter = std::function<void(const Failure&)>;

// The folder part of `path`: everything before its last separator, with the
// separator kept when exactly two characters (UTF-16 code units, as the
// window counts them) would remain, so that "C:\" stays a root. A path
// without any separator has no folder part: `report` gets failure 5
// (err::kInvalidCall) and the result is the empty text. An empty path gives
// the empty text without a report. An empty `report` drops the failure.
std::string GetDirectoryPart(const std::string& path, PathStyle style, const FailureReporter& report);

// The file-name part of `path`, extension included: what follows the last
// separator ("\" or the drive colon in the Windows style). A path without a
// folder separator is returned whole, also "C:file.xml"; a path that ends in a
// separator gives the empty text. Cannot fail.
std::string GetFileNamePart(const std::string& path, PathStyle style);

// `directory` and `name` with exactly one separator added between them: one
// is appended to a directory that does not end in one (also to an empty
// directory), and one leading separator of `name` is dropped. Cannot fail.
std::string JoinPath(const std::string& directory, const std::string& name, PathStyle style);

// The file the reformat command writes for `source`: the source's whole file
// name followed by "_LUM.XML", in the source's folder. A source without any
// folder separator ("faktura.xml", or "C:faktura.xml" in the Windows style)
// gets its target beside it, in the same relative place. Cannot fail.
std::string TargetPathFor(const std::string& source, PathStyle style);

}  // namespace lum
