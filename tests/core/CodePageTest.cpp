#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// These tests hold for Windows-1250: the fixed code page of the other
// platforms, and on Windows the one a Czech system is set to (as under
// scripts/wine-run.sh), where the conversion goes through the system.
#ifndef _WIN32
#include <iconv.h>

#include <optional>
#include <stdexcept>
#endif

namespace {

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

TEST(CodePage, EveryByteIsOneCharacterAndComesBack) {
  const std::string bytes = AllBytes();
  const std::u16string text = lum::FromAnsi(bytes);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(lum::ToAnsi(text), bytes);
}

#ifndef _WIN32
// What glibc's converter makes of one byte, or nothing when it leaves the
// byte undefined.
std::optional<char16_t> IconvCharacter(unsigned char byte) {
  const iconv_t converter = iconv_open("UTF-16LE", "CP1250");
  if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP1250 in iconv");
  char in[1] = {static_cast<char>(byte)};
  unsigned char out[4] = {};
  char* inPtr = in;
  char* outPtr = reinterpret_cast<char*>(out);
  size_t inLeft = 1;
  size_t outLeft = sizeof out;
  const size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1) || outLeft != 2) return std::nullopt;
  return static_cast<char16_t>(out[0] | out[1] << 8);
}

TEST(CodePage, ReadsBytesLikeIconvsCp1250) {
  int undefined = 0;
  for (int b = 0; b < 256; ++b) {
    SCOPED_TRACE(b);
    const std::u16string text = lum::FromAnsi(std::string(1, static_cast<char>(b)));
    ASSERT_EQ(text.size(), 1u);
    const std::optional<char16_t> expected = IconvCharacter(static_cast<unsigned char>(b));
    if (!expected) ++undefined;
    // A byte the code page leaves undefined reads as the character of its own number.
    EXPECT_EQ(text[0], expected.value_or(static_cast<char16_t>(b)));
  }
  EXPECT_EQ(undefined, 5);
}
#endif

struct MappingRow {
  const char* name;
  unsigned char byte;
  char16_t character;
};

void PrintTo(const MappingRow& row, std::ostream* os) { *os << row.name; }

class CodePageMappingTest : public testing::TestWithParam<MappingRow> {};

TEST_P(CodePageMappingTest, ReadsAndWritesBothWays) {
  const std::string byte(1, static_cast<char>(GetParam().byte));
  const std::u16string character(1, GetParam().character);
  EXPECT_EQ(lum::FromAnsi(byte), character);
  EXPECT_EQ(lum::ToAnsi(character), byte);
}

INSTANTIATE_TEST_SUITE_P(Known, CodePageMappingTest,
                         testing::Values(MappingRow{"Nul", 0x00, u'\0'},
                                         MappingRow{"AsciiLetter", 0x41, u'A'},
                                         MappingRow{"QuestionMark", 0x3F, u'?'},
                                         MappingRow{"Delete", 0x7F, u'\x7F'},
                                         MappingRow{"Euro", 0x80, u'\u20AC'},
                                         MappingRow{"UndefinedKeepsItsNumber", 0x81, u'\u0081'},
                                         MappingRow{"UndefinedAt98", 0x98, u'\u0098'},
                                         MappingRow{"SCaron", 0x8A, u'\u0160'},
                                         MappingRow{"LStroke", 0xA3, u'\u0141'},
                                         MappingRow{"ZDotAbove", 0xBF, u'\u017C'},
                                         MappingRow{"RAcute", 0xC0, u'\u0154'},
                                         MappingRow{"CCaron", 0xE8, u'\u010D'},
                                         MappingRow{"URing", 0xF9, u'\u016F'},
                                         MappingRow{"DotAbove", 0xFF, u'\u02D9'}),
                         [](const auto& info) { return std::string(info.param.name); });

struct OutsideRow {
  const char* name;
  char16_t character;
};

void PrintTo(const OutsideRow& row, std::ostream* os) { *os << row.name; }

class CodePageOutsideTest : public testing::TestWithParam<OutsideRow> {};

TEST_P(CodePageOutsideTest, WritesAsQuestionMark) {
  EXPECT_EQ(lum::ToAnsi(std::u16string{u'a', GetParam().character, u'b'}), "a?b");
}

INSTANTIATE_TEST_SUITE_P(Outside, CodePageOutsideTest,
                         testing::Values(OutsideRow{"Cjk", u'\u4E2D'},
                                         // Latin-1 letters that Windows-1250 replaced.
                                         OutsideRow{"AGrave", u'\u00C0'},
                                         OutsideRow{"ThornLower", u'\u00FE'},
                                         // Its low byte is 0x41, the letter A.
                                         OutsideRow{"LowByteIsLetter", u'\u0241'},
                                         OutsideRow{"FullwidthA", u'\uFF21'},
                                         OutsideRow{"LoneSurrogate", u'\xD800'},
                                         OutsideRow{"Noncharacter", u'\xFFFF'}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CodePage, KeepsLengthAndEmbeddedNuls) {
  const std::u16string text(u"Žluťoučký\0kůň", 13);
  const std::string bytes("\x8Elu\x9Dou\xE8k\xFD\0k\xF9\xF2", 13);
  EXPECT_EQ(lum::ToAnsi(text), bytes);
  EXPECT_EQ(lum::FromAnsi(bytes), text);
}

TEST(CodePage, EmptyStaysEmpty) {
  EXPECT_EQ(lum::ToAnsi(u""), "");
  EXPECT_EQ(lum::FromAnsi(""), u"");
}

}  // namespace
