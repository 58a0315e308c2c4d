// Base64::Decode on any text: it either fails with the codec's one "not
// Base64" failure, exactly when the text is not Base64, or gives bytes whose
// encoding is the text again (up to the bits a last digit carries beyond the
// data, which a decoder ignores).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base64/Base64.h"
#include "fuzz/FuzzCheck.h"
#include "platform/Failure.h"

namespace {

constexpr std::u16string_view kAlphabet = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The value of a digit, or nothing for any other character.
std::optional<unsigned> DigitValue(char16_t c) {
  const std::size_t at = kAlphabet.find(c);
  return at == std::u16string_view::npos ? std::nullopt : std::optional<unsigned>(static_cast<unsigned>(at));
}

std::size_t TrailingPads(std::u16string_view digits) {
  std::size_t pads = 0;
  while (pads < digits.size() && digits[digits.size() - 1 - pads] == u'=') ++pads;
  return pads;
}

// Base64 as the codec takes it, once CR and LF are gone: groups of four
// digits, of which only a trailing run of at most two may be "=".
bool IsBase64(std::u16string_view digits) {
  const std::size_t pads = TrailingPads(digits);
  if (digits.size() % 4 != 0 || pads > 2) return false;
  for (std::size_t i = 0; i + pads < digits.size(); ++i) {
    if (!DigitValue(digits[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const lum::Base64 codec;
  const std::u16string input = lum::fuzz::UnitsFrom(data, size);
  const std::u16string digits = lum::fuzz::WithoutLineBreaks(input);

  std::u16string text = input;
  std::u16string decoded;
  try {
    decoded = codec.Decode(text);
  } catch (const lum::Failure& failure) {
    FUZZ_CHECK(failure.number() == lum::err::kNotBase64);
    FUZZ_CHECK(failure.source() == "MyDecode");
    FUZZ_CHECK(std::string(failure.what()) == "Input string is not valid Base64.");
    FUZZ_CHECK(!IsBase64(digits));
    FUZZ_CHECK(text == digits);  // the line breaks stay removed
    return 0;
  }
  FUZZ_CHECK(IsBase64(digits));
  FUZZ_CHECK(text == digits);

  const std::size_t pads = TrailingPads(digits);
  FUZZ_CHECK(decoded.size() == digits.size() / 4 * 3 - pads);
  // Every decoded byte is one character of the code page, so encoding it
  // again gives the canonical form of the same digits.
  std::u16string again = decoded;
  const std::u16string reencoded = lum::fuzz::WithoutLineBreaks(codec.Encode(again));
  FUZZ_CHECK(reencoded.size() == digits.size());
  if (digits.empty()) return 0;
  const std::size_t last = digits.size() - 1 - pads;  // the last digit that carries data
  FUZZ_CHECK(reencoded.substr(0, last) == digits.substr(0, last));
  FUZZ_CHECK(reencoded.substr(last + 1) == digits.substr(last + 1));
  // Of the last data digit only the bits that reach a kept byte count: all
  // six without pads, the high four before one, the high two before two.
  const unsigned ignoredBits = pads == 0 ? 0 : pads == 1 ? 2 : 4;
  FUZZ_CHECK(*DigitValue(reencoded[last]) >> ignoredBits == *DigitValue(digits[last]) >> ignoredBits);
  std::u16string reencodedCopy = reencoded;
  FUZZ_CHECK(codec.Decode(reencodedCopy) == decoded);
  return 0;
}
