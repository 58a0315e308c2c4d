#include "platform/WinText_internal.h"

#include <windows.h>

namespace lum {
namespace {

std::wstring ToWide(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string FromWide(std::wstring_view wide, UINT codePage) {
  if (wide.empty()) return {};
  const int size =
      WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
  return text;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view utf8) { return ToWide(utf8, CP_UTF8); }
std::string Utf8FromWide(std::wstring_view wide) { return FromWide(wide, CP_UTF8); }
std::wstring WideFromAnsi(std::string_view ansi) { return ToWide(ansi, CP_ACP); }
std::string AnsiFromWide(std::wstring_view wide) { return FromWide(wide, CP_ACP); }

}  // namespace lum
