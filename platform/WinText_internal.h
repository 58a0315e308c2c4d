#pragma once

#include <string>
#include <string_view>

// Internal to the platform's Windows files: text between the UTF-8 of the
// program and the UTF-16 ("wide") text of the Windows API. The conversions
// do not fail: what the API cannot convert gives an empty text.

namespace lum {

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

// The same for the ANSI code page that the system is set to (CP_ACP), the
// text of the API's A variants.
std::wstring WideFromAnsi(std::string_view ansi);
std::string AnsiFromWide(std::wstring_view wide);

}  // namespace lum
