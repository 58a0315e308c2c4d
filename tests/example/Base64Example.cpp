// The codec as a component: a caller needs its header, the failure type and
// the core library, nothing else.
#include <iostream>
#include <string>

#include "base64/Base64.h"
#include "platform/Failure.h"

int main() {
  const lum::Base64 codec;
  const std::u16string original = u"Příliš žluťoučký kůň úpěl ďábelské ódy.";

  std::u16string text = original;
  std::u16string encoded = codec.Encode(text);
  std::cout << std::string(encoded.begin(), encoded.end()) << '\n';
  const std::u16string decoded = codec.Decode(encoded);
  if (decoded != original) {
    std::cout << "the decoded text differs from the original\n";
    return 1;
  }

  std::u16string notBase64 = u"QQ=!";
  try {
    codec.Decode(notBase64);
  } catch (const lum::Failure& failure) {
    std::cout << failure.source() << ": " << lum::ErrorBoxText(failure) << '\n';
    return 0;
  }
  std::cout << "text that is not Base64 was accepted\n";
  return 1;
}
