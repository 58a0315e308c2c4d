#include "platform/CodePage.h"

#include <cstddef>

#ifdef _WIN32
#include <windows.h>

#include <climits>

#include "platform/Failure.h"
#endif

namespace lum {

#ifdef _WIN32

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

#else

namespace {

// Windows-1250 from 0x80 up, as iconv's CP1250 converter reads it. The five
// bytes that the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98)
// read as the character of their own number, as they do on Windows.
constexpr char16_t kUpperHalf[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 0x98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // 0xA0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // 0xA8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // 0xB8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // 0xC0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // 0xC8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // 0xD0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // 0xD8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // 0xE0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // 0xE8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // 0xF0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // 0xF8
};

// The character of each byte; below 0x80 the code page is ASCII.
constexpr std::array<char16_t, 256> kCharacterOf = [] {
  std::array<char16_t, 256> table{};
  for (std::size_t b = 0; b < 0x80; ++b) table[b] = static_cast<char16_t>(b);
  for (std::size_t b = 0x80; b < 0x100; ++b) table[b] = kUpperHalf[b - 0x80];
  return table;
}();

}  // namespace

// The byte of every UTF-16 code unit is one look-up; units outside the code
// page get "?".
const UnitConversion* UnitByUnitConversion() {
  static const UnitConversion conversion = [] {
    UnitConversion tables;
    tables.characterOf = kCharacterOf;
    tables.byteOf.fill('?');
    for (std::size_t b = 0; b < kCharacterOf.size(); ++b) {
      tables.byteOf[kCharacterOf[b]] = static_cast<unsigned char>(b);
    }
    return tables;
  }();
  return &conversion;
}

// The loops run on plain pointers: a write through the string's own
// accessor would make the compiler reload the string's data pointer for
// every character.

std::string ToAnsi(std::u16string_view text) {
  const auto& byteOf = UnitByUnitConversion()->byteOf;
  std::string bytes(text.size(), '\0');
  char* out = bytes.data();
  for (const char16_t c : text) *out++ = static_cast<char>(byteOf[c]);
  return bytes;
}

std::u16string FromAnsi(std::string_view bytes) {
  std::u16string text(bytes.size(), u'\0');
  char16_t* out = text.data();
  for (const char b : bytes) *out++ = kCharacterOf[static_cast<unsigned char>(b)];
  return text;
}

#endif

}  // namespace lum
