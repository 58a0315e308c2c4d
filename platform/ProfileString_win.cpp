#include "platform/ProfileString.h"

#include <windows.h>

#include <vector>

#include "platform/WinText_internal.h"

namespace lum {
namespace {

// The profile call of the ANSI API takes texts in the system code page.
std::string AnsiFromUtf8(const std::string& utf8) { return AnsiFromWide(WideFromUtf8(utf8)); }

}  // namespace

std::string ReadIniString(const std::string& section, const std::string& key, const std::string& defaultValue,
                          const std::string& file) {
  std::vector<char> buffer(kProfileValueMax + 1, ' ');
  const DWORD copied = GetPrivateProfileStringA(AnsiFromUtf8(section).c_str(), AnsiFromUtf8(key).c_str(),
                                                AnsiFromUtf8(defaultValue).c_str(), buffer.data(),
                                                static_cast<DWORD>(buffer.size()), AnsiFromUtf8(file).c_str());
  return Utf8FromWide(WideFromAnsi(std::string_view(buffer.data(), copied)));
}

}  // namespace lum
