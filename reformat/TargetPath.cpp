#include "reformat/TargetPath.h"

#include <optional>

namespace lum {

std::string TargetPathFor(const std::string& source, PathStyle style) {
  const std::string name = GetFileNamePart(source, style) + "_LUM.XML";
  const std::optional<std::string> folder = GetDirectoryPart(source, style);
  return folder ? JoinPath(*folder, name, style) : name;
}

}  // namespace lum
