#include "platform/Program.h"

#include "platform/Failure.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <csignal>
#include <unistd.h>
#endif

#include <vector>

namespace lum {
namespace {

#ifdef _WIN32
std::string ToUtf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) throw Failure(err::kPathFileAccess, "ProgramFolder");
    if (length < buffer.size()) return ToUtf8(std::wstring(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
#else
std::string ExecutablePath() {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) throw Failure(err::kPathFileAccess, "ProgramFolder");
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
    buffer.resize(buffer.size() * 2);
  }
}

bool IsSeparator(char c) { return c == '/'; }
#endif

size_t LastSeparator(const std::string& path) {
  for (size_t i = path.size(); i-- > 0;) {
    if (IsSeparator(path[i])) return i;
  }
  return std::string::npos;
}

}  // namespace

std::string ProgramFolder() {
  const std::string path = ExecutablePath();
  const size_t separator = LastSeparator(path);
  if (separator == std::string::npos) return path;
  // Keep the separator of a root folder: "/" and "C:\" stay whole.
  const bool isRoot = separator == 0 || (separator == 2 && path[1] == ':');
  return path.substr(0, isRoot ? separator + 1 : separator);
}

std::string ExecutableName() {
  const std::string path = ExecutablePath();
  const size_t separator = LastSeparator(path);
  std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

#ifdef _WIN32
void IgnoreFileSizeLimitSignal() {}
#else
void IgnoreFileSizeLimitSignal() { std::signal(SIGXFSZ, SIG_IGN); }
#endif

}  // namespace lum
