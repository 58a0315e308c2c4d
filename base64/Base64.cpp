#include "base64/Base64.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>

#include "platform/CodePage.h"
#include "platform/Failure.h"

namespace lum {

namespace {

constexpr const char* kEncodeSource = "Base64.Encode";
constexpr const char* kDecodeSource = "Base64.Decode";

constexpr std::size_t kLineDigits = 72;
constexpr std::size_t kGroupDigits = 4;
constexpr std::size_t kGroupBytes = 3;
constexpr std::size_t kLineBytes = kLineDigits / kGroupDigits * kGroupBytes;  // 54
constexpr char16_t kPadMark = u'=';

// Sizes and positions stay within the signed 32-bit range: the codec's
// interface counts lengths in 32-bit integers, and a longer text fails with
// overflow (6) rather than wrapping around.
void CheckSize(std::size_t size, const char* source) {
  if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw Failure(err::kOverflow, source);
  }
}

// Removes every CR and LF from `text`, in place. Four characters are read
// as one 64-bit word; the word test below is not 0 exactly when one of them is
// below U+000E, as CR and LF are. Words without one are moved whole, the
// others a character at a time.
void RemoveLineBreaks(std::u16string& text) {
  constexpr std::uint64_t kEachUnit = 0x0001000100010001;
  char16_t* out = text.data();
  const auto keep = [&out](char16_t c) {
    *out = c;
    out += static_cast<std::size_t>(c != u'\r' && c != u'\n');
  };
  const char16_t* in = text.data();
  const char16_t* const end = in + text.size();
  for (; end - in >= 4; in += 4) {
    std::uint64_t four;
    std::memcpy(&four, in, sizeof four);
    if (((four - kEachUnit * 0x000E) & ~four & kEachUnit * 0x8000) == 0) {
      std::memcpy(out, &four, sizeof four);
      out += 4;
    } else {
      std::for_each(in, in + 4, keep);
    }
  }
  std::for_each(in, end, keep);
  text.resize(static_cast<std::size_t>(out - text.data()));
}

[[noreturn]] void RejectAsNotBase64() {
  throw Failure(-2147221504, "MyDecode", "Input string is not valid Base64.");
}

}  // namespace

Base64::Base64() : bytReverse{} {
  for (std::uint8_t value = 0; value < bytAlphabet.size(); ++value) {
    if (value < 26) {
      bytAlphabet[value] = value + 'A';
    } else if (value < 52) {
      bytAlphabet[value] = value - 26 + 'a';
    } else if (value < 62) {
      bytAlphabet[value] = value - 52 + '0';
    } else {
      bytAlphabet[value] = value == 62 ? '+' : '/';
    }
  }
  for (std::int32_t i = 0; i < 256; ++i) {
    lngShift8[i] = i << 8;
    lngShift16[i] = i << 16;
  }
  for (std::int32_t i = 0; i < 64; ++i) {
    lngShift6[i] = i << 6;
    lngShift12[i] = i << 12;
    lngShift18[i] = i << 18;
  }
  // Every character outside the alphabet keeps the value 0.
  for (std::uint8_t value = 0; value < bytAlphabet.size(); ++value) bytReverse[bytAlphabet[value]] = value;
}

std::u16string Base64::Encode(std::u16string& text) const {
  const std::size_t remainder = text.size() % kGroupBytes;
  const std::size_t padCount = remainder == 0 ? 0 : kGroupBytes - remainder;
  text.append(padCount, u'\0');
  if (text.empty()) return {};

  CheckSize(text.size(), kEncodeSource);
  const std::string bytes = ToAnsi(text);
  // Only a multi-byte code page gives more bytes than characters; the last
  // group would then read past the end.
  if (bytes.size() % kGroupBytes != 0) throw Failure(err::kSubscriptOutOfRange, kEncodeSource);

  const std::size_t digits = bytes.size() / kGroupBytes * kGroupDigits;
  const std::size_t size = digits + digits / kLineDigits * 2;  // a CR LF after each full line
  CheckSize(size, kEncodeSource);
  std::u16string encoded(size, u'\0');
  // The digits are ASCII, which every ANSI code page reads as itself, so
  // they are written as characters straight away.
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = in + bytes.size();
  char16_t* out = encoded.data();
  while (in != end) {
    const std::size_t lineBytes = std::min(static_cast<std::size_t>(end - in), kLineBytes);
    for (const auto* const lineEnd = in + lineBytes; in != lineEnd; in += kGroupBytes, out += kGroupDigits) {
      const std::int32_t group = lngShift16[in[0]] + lngShift8[in[1]] + in[2];
      out[0] = bytAlphabet[(group >> 18) & 63];
      out[1] = bytAlphabet[(group >> 12) & 63];
      out[2] = bytAlphabet[(group >> 6) & 63];
      out[3] = bytAlphabet[group & 63];
    }
    if (lineBytes == kLineBytes) {
      out[0] = u'\r';
      out[1] = u'\n';
      out += 2;
    }
  }

  // The last one or two digits stand only for the appended NULs: mark them,
  // in front of a final line break.
  std::size_t last = encoded.size() - 1;
  if (encoded[last] == u'\n') last -= 2;
  std::fill_n(encoded.begin() + static_cast<std::ptrdiff_t>(last + 1 - padCount), padCount, kPadMark);
  return encoded;
}

std::u16string Base64::Decode(std::u16string& text) const {
  RemoveLineBreaks(text);
  if (text.empty()) return {};
  if (text.size() % kGroupDigits != 0) RejectAsNotBase64();
  CheckSize(text.size(), kDecodeSource);
  const std::size_t length = text.size();

  std::size_t padCount = 0;
  while (padCount < 2 && text[length - 1 - padCount] == kPadMark) ++padCount;

  // Characters are checked as they are, before any conversion to bytes, so
  // that nothing outside the alphabet can pass for a digit: only a digit
  // comes back as itself from its value, whatever its low byte. The check
  // collects bits instead of branching.
  std::uint32_t outside = 0;
  const auto digit = [this, &outside](char16_t c) {
    const std::uint8_t value = bytReverse[c & 0xFF];
    outside |= bytAlphabet[value] ^ c;
    return value;
  };
  const auto decodeGroup = [this, &digit](const char16_t* in, char* out) {
    const std::int32_t group =
        lngShift18[digit(in[0])] + lngShift12[digit(in[1])] + lngShift6[digit(in[2])] + digit(in[3]);
    out[0] = static_cast<char>(group >> 16);
    out[1] = static_cast<char>((group >> 8) & 255);
    out[2] = static_cast<char>(group & 255);
  };

  std::string bytes(length / kGroupDigits * kGroupBytes, '\0');
  const char16_t* in = text.data();
  char* out = bytes.data();
  for (const char16_t* const finalStart = in + length - kGroupDigits; in != finalStart; in += kGroupDigits) {
    decodeGroup(in, out);
    out += kGroupBytes;
  }
  // A pad mark stands for zero bits, the value of the digit A; anywhere else
  // "=" is rejected like every other character outside the alphabet.
  std::array<char16_t, kGroupDigits> finalGroup;
  std::copy_n(in, kGroupDigits, finalGroup.begin());
  std::fill_n(finalGroup.end() - static_cast<std::ptrdiff_t>(padCount), padCount, u'A');
  decodeGroup(finalGroup.data(), out);
  if (outside != 0) RejectAsNotBase64();

  // The bytes behind the pad marks are the NULs that Encode appended.
  bytes.resize(bytes.size() - padCount);
  return FromAnsi(bytes);
}

}  // namespace lum
