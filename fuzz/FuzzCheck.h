#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Failure.h"

namespace lum::fuzz {

// A broken property: says which, and aborts, which libFuzzer reports as a
// crash with the input that caused it.
#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

// Text of UTF-16 units from raw bytes. An even first byte makes every
// further byte one unit (U+0000..U+00FF, so that ASCII seeds stay readable);
// an odd one makes every further pair of bytes one little-endian unit, which
// reaches every character.
inline std::u16string UnitsFrom(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  if (size == 0) return text;
  const bool pairs = (data[0] & 1) != 0;
  for (std::size_t i = 1; i < size; i += pairs ? 2 : 1) {
    text += pairs && i + 1 < size ? static_cast<char16_t>(data[i] | (data[i + 1] << 8)) : static_cast<char16_t>(data[i]);
  }
  return text;
}

inline std::u16string WithoutLineBreaks(std::u16string_view text) {
  std::u16string out;
  for (const char16_t c : text) {
    if (c != u'\r' && c != u'\n') out += c;
  }
  return out;
}

}  // namespace lum::fuzz
