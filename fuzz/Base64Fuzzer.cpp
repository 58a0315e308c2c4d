// The codec on any text of the code page. Encode: lines of 72 digits with
// CR LF after each full one, that decode to the text. Decode, of the text as
// digits: fails with the "not Base64" failure, or gives bytes that encode to
// the same digits, but for the bits of a last digit before "=" that reach no
// byte.
#include "base64/Base64.h"
#include "fuzz/FuzzCheck.h"
#include "platform/CodePage.h"
#include "tests/support/FailureNumber.h"

static void FuzzOne(FuzzedDataProvider&& input) {
  static const lum::Base64 codec;
  const std::u16string text = lum::FromAnsi(input.ConsumeRemainingBytesAsString());
  std::u16string padded = text, encoded = codec.Encode(padded), digits = text, decoded;
  FUZZ_CHECK(encoded.size() == (text.size() + 2) / 3 * 4 + (text.size() + 2) / 54 * 2);
  for (std::size_t at = 72; at < encoded.size(); at += 74) FUZZ_CHECK(encoded.compare(at, 2, u"\r\n") == 0);
  FUZZ_CHECK(codec.Decode(encoded) == text);  // throws at a misplaced CR, LF or "="

  const int failure = lum::test::FailureNumber([&] { decoded = codec.Decode(digits); });  // takes out CR and LF
  if (failure != 0) return FUZZ_CHECK(failure == lum::err::kNotBase64);
  std::u16string reencoded = codec.Encode(decoded);
  std::erase_if(reencoded, [](char16_t c) { return c == u'\r' || c == u'\n'; });
  // Before "=" the last digit carries bits beyond the data, which the decoder ignores.
  const std::size_t last = digits.find_last_not_of(u'=');
  if (digits.ends_with(u'=') && last < reencoded.size()) reencoded[last] = digits[last];
  FUZZ_CHECK(reencoded == digits);
}
