// The path routines on any path, in either style: the name follows the last
// separator or Windows drive colon (without a separator it is the whole
// path), the folder ends at that separator (after it for a root; none without
// one), and the target adds the suffix to the name.
#include "fuzz/FuzzCheck.h"
#include "reformat/TargetPath.h"

static void FuzzOne(FuzzedDataProvider&& input) {
  const auto style = input.ConsumeBool() ? lum::PathStyle::Windows : lum::PathStyle::Posix;
  const bool windows = style == lum::PathStyle::Windows;
  const std::string path = input.ConsumeRemainingBytesAsString(), name = lum::GetFileNamePart(path, style);
  const std::optional<std::string> folder = lum::GetDirectoryPart(path, style);
  const std::size_t last = path.rfind(windows ? '\\' : '/');
  FUZZ_CHECK(folder ? path.starts_with(*folder) && folder->size() - last <= 1 : last == std::string::npos);
  FUZZ_CHECK(name == (last == std::string::npos ? path : path.substr(path.find_last_of(windows ? ":\\" : "/") + 1)));
  FUZZ_CHECK(lum::GetFileNamePart(lum::TargetPathFor(path, style), style) == name + "_LUM.XML");
}
