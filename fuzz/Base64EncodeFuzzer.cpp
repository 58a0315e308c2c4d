// Base64::Encode on any text: the padded variable, lines of 72 digits with
// CR LF after each full one, "=" only for the padding, and a result that
// decodes to the text as the code page keeps it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base64/Base64.h"
#include "fuzz/FuzzCheck.h"
#include "platform/CodePage.h"

namespace {

bool IsDigit(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'+' || c == u'/';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const lum::Base64 codec;
  const std::u16string input = lum::fuzz::UnitsFrom(data, size);
  const std::size_t pads = (3 - input.size() % 3) % 3;

  std::u16string text = input;
  const std::u16string encoded = codec.Encode(text);
  FUZZ_CHECK(text == input + std::u16string(pads, u'\0'));

  const std::size_t groups = text.size() / 3;
  const std::size_t fullLines = text.size() / 54;
  FUZZ_CHECK(encoded.size() == groups * 4 + fullLines * 2);
  // Line after line: 72 digits and CR LF, then a shorter last line without.
  std::size_t at = 0;
  for (std::size_t line = 0; line < fullLines; ++line, at += 74) {
    FUZZ_CHECK(encoded.compare(at + 72, 2, u"\r\n") == 0);
  }
  const std::u16string digits = lum::fuzz::WithoutLineBreaks(encoded);
  FUZZ_CHECK(digits.size() == groups * 4);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    FUZZ_CHECK(i + pads >= digits.size() ? digits[i] == u'=' : IsDigit(digits[i]));
  }

  std::u16string again = encoded;
  FUZZ_CHECK(codec.Decode(again) == lum::FromAnsi(lum::ToAnsi(input)));
  return 0;
}
