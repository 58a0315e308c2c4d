// Windows-1250 both ways: the fixed code page of the other platforms, and on
// Windows the one a Czech system is set to (as under scripts/wine-run.sh).
#include "platform/CodePage.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <iconv.h>
#endif

namespace {

// Every byte is one character and comes back; glibc's converter agrees on
// each byte it defines, and a byte it leaves undefined reads as the character
// of its own number.
TEST(CodePage, EveryByteIsOneCharacterAndComesBack) {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  const std::u16string text = lum::FromAnsi(bytes);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(lum::ToAnsi(text), bytes);
  EXPECT_EQ(text.substr(0x80, 1), u"€");
  EXPECT_EQ(text.substr(0xE8, 1), u"č");
#ifndef _WIN32
  const iconv_t converter = iconv_open("UTF-16LE", "CP1250");
  ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1));
  int undefined = 0;
  for (int b = 0; b < 256; ++b) {
    char in[1] = {static_cast<char>(b)}, out[2] = {};
    char *inPtr = in, *outPtr = out;
    std::size_t inLeft = 1, outLeft = 2;
    const bool defined = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    undefined += defined ? 0 : 1;
    const auto expected = static_cast<char16_t>(defined ? static_cast<unsigned char>(out[0]) | out[1] << 8 : b);
    EXPECT_EQ(text[static_cast<std::size_t>(b)], expected) << b;
  }
  iconv_close(converter);
  EXPECT_EQ(undefined, 5);
#endif
}

TEST(CodePage, OutsideTheCodePageWritesAQuestionMark) {
  // CJK, Latin-1 letters that 1250 replaced, a low byte that is "A", fullwidth,
  // a lone surrogate, a noncharacter; the length and NULs stay.
  EXPECT_EQ(lum::ToAnsi(std::u16string(u"a中À\u0241Ａ\xD800\xFFFF\0kůň", 11)), std::string("a??????\0k\xF9\xF2", 11));
}

}  // namespace
