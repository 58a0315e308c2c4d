#include "platform/CommandLine.h"

#ifdef _WIN32
#include <windows.h>
// CommandLineToArgvW
#include <shellapi.h>

#include <cwchar>
#endif

namespace lum {

#ifdef _WIN32

// argv holds the arguments in the ANSI code page; the UTF-16 command line
// has them whole.
std::vector<std::string> CommandLineArguments(int, char**) {
  int count = 0;
  wchar_t** const wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i) {
    const int length = static_cast<int>(std::wcslen(wide[i]));
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], length, nullptr, 0, nullptr, nullptr);
    std::string& argument = arguments.emplace_back(static_cast<std::size_t>(size), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], length, argument.data(), size, nullptr, nullptr);
  }
  LocalFree(wide);
  return arguments;
}

#else

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  if (argc < 1) return {};
  return {argv + 1, argv + argc};
}

#endif

}  // namespace lum
