// The codec as a component: a caller needs its header (first, so that it
// must stand alone), the failure type and the core library, nothing else.
#include "base64/Base64.h"
#include "platform/Failure.h"

int main() {
  const lum::Base64 codec;
  const std::u16string original = u"Příliš žluťoučký kůň úpěl ďábelské ódy.";
  std::u16string text = original, encoded = codec.Encode(text), notBase64 = u"QQ=!";
  try {
    codec.Decode(notBase64);
  } catch (const lum::Failure& failure) {
    return codec.Decode(encoded) == original && failure.number() == lum::err::kNotBase64 ? 0 : 1;
  }
  return 1;
}
