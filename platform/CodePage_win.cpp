#include "platform/CodePage.h"

#include <windows.h>

#include <climits>
#include <cstddef>

#include "failure/Failure.h"

namespace lum {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

// The conversion calls count in int.
int CallLength(std::size_t size, const char* source) {
  if (size > static_cast<std::size_t>(INT_MAX)) throw Failure(err::kOverflow, source);
  return static_cast<int>(size);
}

}  // namespace

std::string ToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  const UINT codePage = GetACP();
  // Without best fit a character the code page lacks becomes the default
  // character "?" instead of a look-alike ("Ł" would become "L"). A system
  // set to UTF-8 represents every character, and the call refuses the flag
  // for that code page.
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = CallLength(text.size(), "ToAnsi");
  const int size = WideCharToMultiByte(codePage, flags, wide, length, nullptr, 0, nullptr, nullptr);
  if (size == 0) throw Failure(err::kInvalidCall, "ToAnsi");
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, flags, wide, length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

const UnitConversion* UnitByUnitConversion() { return nullptr; }

std::u16string FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int length = CallLength(bytes.size(), "FromAnsi");
  const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (size == 0) throw Failure(err::kInvalidCall, "FromAnsi");
  std::u16string text(static_cast<std::size_t>(size), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(text.data()), size);
  return text;
}

}  // namespace lum
