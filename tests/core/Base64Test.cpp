#include "base64/Base64.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "platform/CodePage.h"
#include "platform/Failure.h"

namespace {

using namespace std::string_literals;

// Readable texts in failure messages: printable ASCII as it is, everything
// else as \uXXXX.
std::string Printable(const std::u16string& text) {
  std::string out;
  for (const char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
      out += escaped;
    }
  }
  return out;
}

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string Repeat(const std::u16string& text, int times) {
  std::u16string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// RFC 4648 Base64, bit by bit: every six bits of the bytes, most significant
// first, make one digit; a short last group is filled with zero bits and the
// result with "=" to a multiple of four.
std::string ReferenceBase64(const std::string& bytes) {
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::size_t bits = bytes.size() * 8;
  std::string digits;
  for (std::size_t first = 0; first < bits; first += 6) {
    int value = 0;
    for (std::size_t bit = first; bit < first + 6; ++bit) {
      const int set = bit < bits ? (static_cast<unsigned char>(bytes[bit / 8]) >> (7 - bit % 8)) & 1 : 0;
      value = value * 2 + set;
    }
    digits += alphabet[static_cast<std::size_t>(value)];
  }
  while (digits.size() % 4 != 0) digits += '=';
  return digits;
}

// The codec's layout: CR LF after every full line of 72 digits, the last
// line included.
std::u16string InLines(const std::string& digits) {
  std::u16string out;
  for (std::size_t i = 0; i < digits.size(); i += 72) {
    const std::string line = digits.substr(i, 72);
    out += Ascii(line);
    if (line.size() == 72) out += u"\r\n";
  }
  return out;
}

// Runs `call`, which must fail with `number`, `source` and `description`.
template <typename Call>
void ExpectFailure(Call call, int number, const std::string& source, const std::string& description) {
  try {
    call();
  } catch (const lum::Failure& failure) {
    EXPECT_EQ(failure.number(), number);
    EXPECT_EQ(failure.source(), source);
    EXPECT_EQ(std::string(failure.what()), description);
    return;
  }
  ADD_FAILURE() << "no failure";
}

const int kNotBase64 = -2147221504;

// ---------------------------------------------------------------------------
// Reference vectors.

struct VectorRow {
  const char* name;
  std::string plain;
  std::string encoded;
};

class Base64VectorTest : public testing::TestWithParam<VectorRow> {};

TEST_P(Base64VectorTest, EncodesAndDecodes) {
  const lum::Base64 codec;
  ASSERT_EQ(ReferenceBase64(GetParam().plain), GetParam().encoded) << "the test's own reference is wrong";
  std::u16string plain = Ascii(GetParam().plain);
  EXPECT_EQ(codec.Encode(plain), Ascii(GetParam().encoded));
  std::u16string encoded = Ascii(GetParam().encoded);
  EXPECT_EQ(codec.Decode(encoded), Ascii(GetParam().plain));
}

// RFC 4648, section 10.
INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64VectorTest,
                         testing::Values(VectorRow{"Empty", "", ""}, VectorRow{"f", "f", "Zg=="},
                                         VectorRow{"fo", "fo", "Zm8="}, VectorRow{"foo", "foo", "Zm9v"},
                                         VectorRow{"foob", "foob", "Zm9vYg=="},
                                         VectorRow{"fooba", "fooba", "Zm9vYmE="},
                                         VectorRow{"foobar", "foobar", "Zm9vYmFy"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Encode: result and what becomes of the caller's variable.

struct EncodeRow {
  const char* name;
  std::u16string text;
  std::u16string result;
  std::u16string variableAfter;
};

void PrintTo(const EncodeRow& row, std::ostream* os) { *os << row.name; }

class Base64EncodeTest : public testing::TestWithParam<EncodeRow> {};

TEST_P(Base64EncodeTest, ResultAndVariable) {
  std::u16string variable = GetParam().text;
  const std::u16string result = lum::Base64().Encode(variable);
  EXPECT_EQ(result, GetParam().result) << Printable(result);
  EXPECT_EQ(variable, GetParam().variableAfter) << Printable(variable);
}

const std::u16string kNul(1, u'\0');
const std::u16string kAbc18 = Repeat(u"ABC", 18);   // 54 characters: one full line
const std::u16string kQujd18 = Repeat(u"QUJD", 18);  // its 72 digits

INSTANTIATE_TEST_SUITE_P(
    Cases, Base64EncodeTest,
    testing::Values(
        EncodeRow{"Empty", u"", u"", u""},
        EncodeRow{"OneCharacterGetsTwoNulsAndTwoMarks", u"A", u"QQ==", u"A" + kNul + kNul},
        EncodeRow{"TwoCharactersGetOneNulAndOneMark", u"AB", u"QUI=", u"AB" + kNul},
        EncodeRow{"ThreeCharactersStayAsTheyAre", u"ABC", u"QUJD", u"ABC"},
        EncodeRow{"NulsOfTheCallerAreData", kNul + kNul + kNul, u"AAAA", kNul + kNul + kNul},
        EncodeRow{"FullLineEndsWithCrLf", kAbc18, kQujd18 + u"\r\n", kAbc18},
        EncodeRow{"MarkBeforeTheFinalCrLf", kAbc18.substr(0, 53), kQujd18.substr(0, 68) + u"QUI=\r\n",
                  kAbc18.substr(0, 53) + kNul},
        EncodeRow{"OneCharacterPastTheLine", kAbc18 + u"A", kQujd18 + u"\r\nQQ==", kAbc18 + u"A" + kNul + kNul},
        EncodeRow{"TwoFullLines", kAbc18 + kAbc18, kQujd18 + u"\r\n" + kQujd18 + u"\r\n", kAbc18 + kAbc18},
        // Windows-1250: € is 0x80, č is 0xE8; 中 is not in it and goes as "?".
        EncodeRow{"EuroSign", u"€", u"gA==", u"€" + kNul + kNul},
        EncodeRow{"CzechLetter", u"č", u"6A==", u"č" + kNul + kNul},
        EncodeRow{"OutsideTheCodePageIsQuestionMark", u"中", u"Pw==", u"中" + kNul + kNul},
        EncodeRow{"CzechWord", u"kůň", u"a/ny", u"kůň"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Decode: result and what becomes of the caller's variable.

struct DecodeRow {
  const char* name;
  std::u16string text;
  std::u16string result;
  std::u16string variableAfter;
};

void PrintTo(const DecodeRow& row, std::ostream* os) { *os << row.name; }

class Base64DecodeTest : public testing::TestWithParam<DecodeRow> {};

TEST_P(Base64DecodeTest, ResultAndVariable) {
  std::u16string variable = GetParam().text;
  const std::u16string result = lum::Base64().Decode(variable);
  EXPECT_EQ(result, GetParam().result) << Printable(result);
  EXPECT_EQ(variable, GetParam().variableAfter) << Printable(variable);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Base64DecodeTest,
    testing::Values(DecodeRow{"TwoMarks", u"QQ==", u"A", u"QQ=="},
                    DecodeRow{"OneMark", u"QUI=", u"AB", u"QUI="},
                    DecodeRow{"NoMark", u"QUJD", u"ABC", u"QUJD"},
                    DecodeRow{"Empty", u"", u"", u""},
                    DecodeRow{"OnlyLineBreaks", u"\r\n\r\n\n\r", u"", u""},
                    DecodeRow{"CrLfAnywhereIsRemoved", u"Q\r\nUJ\rDQ\nQ==\r\n", u"ABCA", u"QUJDQQ=="},
                    DecodeRow{"TwoFullLines", kQujd18 + u"\r\n" + kQujd18 + u"\r\n", kAbc18 + kAbc18,
                              kQujd18 + kQujd18},
                    DecodeRow{"ZeroBytesAreNuls", u"AAAA", kNul + kNul + kNul, u"AAAA"},
                    DecodeRow{"EuroSign", u"gA==", u"€", u"gA=="},
                    DecodeRow{"CzechWord", u"a/ny", u"kůň", u"a/ny"},
                    // The bits of the last digit that fall into the pad are not checked.
                    DecodeRow{"LooseBitsBeforeTheMarks", u"QR==", u"A", u"QR=="}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Decode rejects what is not Base64.

struct RejectRow {
  const char* name;
  std::u16string text;
  std::u16string variableAfter;  // the text without its CR and LF
};

void PrintTo(const RejectRow& row, std::ostream* os) { *os << row.name; }

class Base64RejectTest : public testing::TestWithParam<RejectRow> {};

TEST_P(Base64RejectTest, FailsAsNotBase64) {
  const lum::Base64 codec;
  std::u16string variable = GetParam().text;
  ExpectFailure([&] { codec.Decode(variable); }, kNotBase64, "MyDecode", "Input string is not valid Base64.");
  EXPECT_EQ(variable, GetParam().variableAfter) << Printable(variable);
}

INSTANTIATE_TEST_SUITE_P(
    Length, Base64RejectTest,
    testing::Values(RejectRow{"ThreeCharacters", u"QUJ", u"QUJ"},
                    RejectRow{"OneCharacter", u"Q", u"Q"},
                    RejectRow{"TrailingSpaceCounts", u"QUJD ", u"QUJD "},
                    RejectRow{"ShortAfterLineBreaks", u"QU\r\nJ", u"QUJ"},
                    RejectRow{"FiveMarks", u"QQ===", u"QQ==="}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Marks, Base64RejectTest,
    testing::Values(RejectRow{"MarksInTheMiddle", u"QQ==QUJD", u"QQ==QUJD"},
                    RejectRow{"MarkBeforeADigit", u"QQ=A", u"QQ=A"},
                    RejectRow{"ThreeMarks", u"Q===", u"Q==="},
                    RejectRow{"OnlyMarks", u"====", u"===="},
                    RejectRow{"MarkAtTheStart", u"=QUJ", u"=QUJ"},
                    RejectRow{"MarkInAnEarlierLine", u"QQ=A\r\nQUJD", u"QQ=AQUJD"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Characters, Base64RejectTest,
    testing::Values(RejectRow{"ExclamationMarks", u"QQ!!", u"QQ!!"},
                    RejectRow{"Space", u"QU D", u"QU D"},
                    RejectRow{"Tab", u"QU\tD", u"QU\tD"},
                    RejectRow{"Nul", u"QUJ" + kNul, u"QUJ" + kNul},
                    RejectRow{"UrlSafeMinus", u"QU-D", u"QU-D"},
                    RejectRow{"UrlSafeUnderscore", u"QU_D", u"QU_D"},
                    RejectRow{"ByteAboveAscii", u"QUJ\u00C1", u"QUJ\u00C1"},
                    // Ł is 0xA3 in the code page, and its low byte is 0x41, the letter A.
                    RejectRow{"LStroke", u"QUJ\u0141", u"QUJ\u0141"},
                    RejectRow{"LowByteIsPlus", u"QUJ\u012B", u"QUJ\u012B"},
                    // ő is in the code page (0xF5); its low byte is the letter Q.
                    RejectRow{"LowByteIsLetter", u"\u0151UJD", u"\u0151UJD"},
                    RejectRow{"FullwidthLetter", u"QUJ\uFF24", u"QUJ\uFF24"},
                    RejectRow{"BadCharacterInTheFirstGroup", u"!UJDQUJD", u"!UJDQUJD"},
                    RejectRow{"BadCharacterBeforeTheMarks", u"Q!==", u"Q!=="}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Round trips of random texts against the bit-by-bit reference.

// Random text of `length` characters, each one of the code page's 256.
std::u16string RandomText(std::mt19937& random, std::size_t length) {
  std::string bytes(length, '\0');
  std::uniform_int_distribution<int> byte(0, 255);
  for (char& b : bytes) b = static_cast<char>(byte(random));
  return lum::FromAnsi(bytes);
}

void ExpectRoundTrip(const lum::Base64& codec, const std::u16string& text) {
  const std::size_t padCount = (3 - text.size() % 3) % 3;
  std::u16string variable = text;
  const std::u16string encoded = codec.Encode(variable);
  EXPECT_EQ(encoded, InLines(ReferenceBase64(lum::ToAnsi(text))));
  EXPECT_EQ(variable, text + std::u16string(padCount, u'\0'));

  std::u16string encodedVariable = encoded;
  EXPECT_EQ(codec.Decode(encodedVariable), text);
  std::u16string digits = encoded;
  std::erase_if(digits, [](char16_t c) { return c == u'\r' || c == u'\n'; });
  EXPECT_EQ(encodedVariable, digits);
}

TEST(Base64RoundTrip, EveryLengthUpTo300) {
  std::mt19937 random(20240501);
  const lum::Base64 codec;
  for (std::size_t length = 0; length <= 300; ++length) {
    SCOPED_TRACE(length);
    ExpectRoundTrip(codec, RandomText(random, length));
  }
}

TEST(Base64RoundTrip, AroundManyLines) {
  std::mt19937 random(7);
  const lum::Base64 codec;
  for (const std::size_t length : {5399u, 5400u, 5401u, 5402u, 100000u}) {
    SCOPED_TRACE(length);
    ExpectRoundTrip(codec, RandomText(random, length));
  }
}

// From a few MiB on, Encode shares the work with a helper thread, in chunks
// of lines that the two threads take as they come.
TEST(Base64RoundTrip, LargeTextsSharedBetweenThreads) {
  std::mt19937 random(11);
  const lum::Base64 codec;
  for (const std::size_t length : {(std::size_t{4} << 20) - 1, (std::size_t{4} << 20) + 1, (std::size_t{9} << 20) + 2}) {
    SCOPED_TRACE(length);
    ExpectRoundTrip(codec, RandomText(random, length));
  }
}

TEST(Base64RoundTrip, OutsideTheCodePageComesBackAsQuestionMark) {
  const lum::Base64 codec;
  std::u16string text = u"Cena 5 € – 中文 Ł";
  std::u16string encoded = codec.Encode(text);
  EXPECT_EQ(codec.Decode(encoded), u"Cena 5 € – ?? Ł");
}

TEST(Base64, OneInstanceServesCallsInAnyOrder) {
  const lum::Base64 codec;
  std::u16string bad = u"QQ!!";
  EXPECT_THROW(codec.Decode(bad), lum::Failure);
  for (const std::u16string& text : {u"x"s, u"Žluťoučký kůň"s, u""s, u"ABC"s}) {
    std::u16string variable = text;
    std::u16string encoded = codec.Encode(variable);
    EXPECT_EQ(codec.Decode(encoded), text);
  }
}

}  // namespace
