// The codec through its interface: what decoding rejects and what it lets
// pass, and round trips against a bit-by-bit RFC 4648 reference. Its header comes
// first, so that the codec must stand alone with it.
#include "base64/Base64.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "failure/Failure.h"
#include "platform/CodePage.h"
#include "tests/support/Table.h"

namespace lum::test {
namespace {

constexpr int kNotBase64 = -2147221504;

// RFC 4648 Base64 bit by bit, in lines of 72 digits, each full one followed
// by CR LF.
std::u16string Reference(const std::string& bytes) {
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::u16string digits, lines;
  for (std::size_t bit = 0; bit < bytes.size() * 8; bit += 6) {
    int value = 0;
    for (std::size_t b = bit; b < bit + 6; ++b) {
      value = value * 2 + (b < bytes.size() * 8 ? (static_cast<unsigned char>(bytes[b / 8]) >> (7 - b % 8)) & 1 : 0);
    }
    digits += static_cast<char16_t>(alphabet[value]);
  }
  while (digits.size() % 4 != 0) digits += u'=';
  for (std::size_t i = 0; i < digits.size(); i += 72)
    lines += digits.substr(i, 72) + (i + 72 <= digits.size() ? u"\r\n" : u"");
  return lines;
}

// A text to decode, what it must give or that it fails as not Base64, and
// what the call leaves in the caller's variable.
struct Row {
  const char* name;
  std::u16string text;
  std::u16string result;  // empty with `fails`
  std::u16string variableAfter;
  bool fails = false;
};

class Base64Test : public testing::TestWithParam<Row> {};

TEST_P(Base64Test, ResultAndCallersVariable) {
  const Row& row = GetParam();
  std::u16string variable = row.text, result;
  try {
    result = Base64().Decode(variable);
    EXPECT_FALSE(row.fails);
  } catch (const Failure& failure) {
    EXPECT_TRUE(row.fails);
    EXPECT_EQ(ErrorBoxText(failure), "-2147221504-Input string is not valid Base64.");
    EXPECT_EQ(failure.number(), kNotBase64);
    EXPECT_EQ(failure.source(), "MyDecode");
  }
  EXPECT_TRUE(result == row.result);
  EXPECT_TRUE(variable == row.variableAfter);
}

// Encoding, and decoding of every byte, are the round trip's below.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Decode, Base64Test,
    testing::Values(Row{"LineBreaksAnywhere", u"Q\r\nUJ\rDQ\nQ==\r\n", u"ABCA", u"QUJDQQ=="},
                    Row{"LooseBitsBeforeTheMarks", u"QR==", u"A", u"QR=="},
                    Row{"NotFourDigits", u"QU\r\nJ", u"", u"QUJ", true},
                    Row{"FiveMarks", u"QQ===", u"", u"QQ===", true},
                    Row{"MarksInTheMiddle", u"QQ==QUJD", u"", u"QQ==QUJD", true},
                    Row{"MarkBeforeADigit", u"QQ=A", u"", u"QQ=A", true},
                    Row{"UrlSafeDigit", u"QU-_", u"", u"QU-_", true},
                    Row{"LowByteIsADigit", u"QUJ\u0141", u"", u"QUJ\u0141", true},  // Ł: 0x141, in the code page
                    Row{"WideDigit", u"QUJ\uFF24", u"", u"QUJ\uFF24", true}), RowName);
// clang-format on

// Every length up to a few lines, around a hundred lines, and around the
// size from which two threads share the work, of all 256 characters of the
// code page: Encode against the reference, and the caller's variable, made
// at its length, with the NULs appended; Decode back.
TEST(Base64, RoundTripsAgainstTheReference) {
  std::mt19937 random(20240501);
  const Base64 codec;
  std::vector<std::size_t> lengths(301);
  std::iota(lengths.begin(), lengths.end(), 0);
  lengths.insert(lengths.end(), {5399, 5400, 5401, (4 << 20) - 1, (4 << 20) + 3, (4 << 20) + 4});
  for (const std::size_t length : lengths) {
    std::string bytes(length, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    const std::u16string text = FromAnsi(bytes);
    std::u16string variable = text;
    std::u16string encoded = codec.Encode(variable);
    ASSERT_TRUE(encoded == Reference(bytes)) << length;
    ASSERT_TRUE(variable == text + std::u16string((3 - length % 3) % 3, u'\0')) << length;
    ASSERT_TRUE(codec.Decode(encoded) == text) << length;
  }
}

}  // namespace
}  // namespace lum::test
