#include "platform/Program.h"

#include "paths/Paths.h"
#include "platform/Program_internal.h"

namespace lum {

std::string ProgramFolder() { return FolderForFileCalls(ExecutablePath()); }

std::string ExecutableName() {
  const std::string path = ExecutablePath();
  std::string name = path.substr(NameStart(path));
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace lum
