// The path routines on any text, in both styles: no crash, and the
// relations between the parts that the callers rely on.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "shared/Paths.h"

namespace {

using lum::PathStyle;

constexpr std::string_view kSuffix = "_LUM.XML";

char SeparatorOf(PathStyle style) { return style == PathStyle::Windows ? '\\' : '/'; }

bool StartsWithSeparator(const std::string& text, PathStyle style) {
  return !text.empty() && text.front() == SeparatorOf(style);
}
bool EndsWithSeparator(const std::string& text, PathStyle style) {
  return !text.empty() && text.back() == SeparatorOf(style);
}

void CheckJoinPath(const std::string& directory, const std::string& name, PathStyle style) {
  const char separator = SeparatorOf(style);
  const std::string joined = lum::JoinPath(directory, name, style);
  // The directory is kept as it is, and so is the name, less one leading
  // separator; between them stands exactly one separator of the pair's own.
  FUZZ_CHECK(joined.starts_with(directory));
  const std::string nameKept = StartsWithSeparator(name, style) ? name.substr(1) : name;
  FUZZ_CHECK(joined.ends_with(nameKept));
  FUZZ_CHECK(joined.size() == directory.size() + (EndsWithSeparator(directory, style) ? 0 : 1) + nameKept.size());
  FUZZ_CHECK(joined[joined.size() - nameKept.size() - 1] == separator);
  if (!EndsWithSeparator(directory, style) && !StartsWithSeparator(name, style)) {
    FUZZ_CHECK(joined == directory + separator + name);
  }
}

void CheckParts(const std::string& path, PathStyle style) {
  const char separator = SeparatorOf(style);
  const bool hasSeparator = path.find(separator) != std::string::npos;

  int reports = 0;
  int reportedNumber = 0;
  const std::string directory = lum::GetDirectoryPart(path, style, [&](const lum::Failure& failure) {
    ++reports;
    reportedNumber = failure.number();
  });
  if (!hasSeparator) {
    // No folder part: the empty text, reported as an invalid call unless the
    // path itself is empty.
    FUZZ_CHECK(directory.empty());
    FUZZ_CHECK(reports == (path.empty() ? 0 : 1));
    if (reports == 1) FUZZ_CHECK(reportedNumber == lum::err::kInvalidCall);
  } else {
    FUZZ_CHECK(reports == 0);
    // Everything before the last separator, with the separator kept only for
    // a root: the rest of the path is a separator and the name, or the name.
    const std::size_t last = path.rfind(separator);
    FUZZ_CHECK(directory.size() == last || directory.size() == last + 1);
    FUZZ_CHECK(path.starts_with(directory));
  }

  const std::string name = lum::GetFileNamePart(path, style);
  FUZZ_CHECK(path.ends_with(name));
  if (!hasSeparator) {
    FUZZ_CHECK(name == path);
  } else {
    // The name holds no separator and follows one (or a drive colon).
    FUZZ_CHECK(name.find(separator) == std::string::npos);
    if (style == PathStyle::Windows) FUZZ_CHECK(name.find(':') == std::string::npos);
    const char before = path[path.size() - name.size() - 1];
    FUZZ_CHECK(before == separator || (style == PathStyle::Windows && before == ':'));
  }
  if (style == PathStyle::Posix && hasSeparator) {
    FUZZ_CHECK(path.substr(path.rfind(separator) + 1) == name);
  }

  const std::string target = lum::TargetPathFor(path, style);
  FUZZ_CHECK(target.ends_with(std::string(name) + std::string(kSuffix)));
  FUZZ_CHECK(lum::GetFileNamePart(target, style) == name + std::string(kSuffix));
  // A plain path (no doubled separator, no colon but a drive's, as in
  // "C:\") gets its target by the suffix alone.
  const bool doubled = path.find(std::string(2, separator)) != std::string::npos;
  const std::size_t colon = path.find(':');
  const bool driveColon = colon == 1 && path[0] != separator;
  const bool strayColon = style == PathStyle::Windows && colon != std::string::npos &&
                          (!driveColon || path.find(':', 2) != std::string::npos);
  if (!doubled && !strayColon) FUZZ_CHECK(target == path + std::string(kSuffix));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const PathStyle style = input.ConsumeBool() ? PathStyle::Windows : PathStyle::Posix;
  const std::string first = input.ConsumeRandomLengthString();
  const std::string second = input.ConsumeRemainingBytesAsString();
  CheckJoinPath(first, second, style);
  CheckParts(first, style);
  CheckParts(second, style);
  return 0;
}
