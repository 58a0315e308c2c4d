#include "platform/CommandLine.h"

#include <windows.h>
// CommandLineToArgvW
#include <shellapi.h>

#include "platform/WinText_internal.h"

namespace lum {

// argv holds the arguments in the ANSI code page; the UTF-16 command line
// has them whole.
std::vector<std::string> CommandLineArguments(int, char**) {
  int count = 0;
  wchar_t** const wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace lum
