#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace lum {

// Turns text into Base64 text and back. The text's characters are first
// converted to bytes in the system's ANSI code page (one byte each); the bytes
// are written with the standard alphabet of RFC 4648 in lines of 72 digits,
// each full line followed by CR LF.
//
// Both methods change the caller's variable before computing their result
// (see each method), and a failure leaves that change in place. Failures are
// thrown as lum::Failure (platform/Failure.h):
//   -2147221504, source "MyDecode", "Input string is not valid Base64.":
//       Decode was given something that is not Base64;
//   9 (subscript out of range): the conversion gave more than one byte for a
//       character, which only a multi-byte ANSI code page does;
//   6 (overflow): a size beyond the signed 32-bit range.
//
// The tables are built once, by the constructor; after that an instance is
// only read, so one instance serves any number of calls.
class Base64 {
 public:
  Base64();

  // Appends one or two NUL characters to `text` when its length is not a
  // multiple of 3, then encodes the padded text. The digits that stand only
  // for those NULs are replaced by "=". The result ends with CR LF exactly
  // when the padded length is a multiple of 54 (a full last line). An empty
  // text gives an empty result. A text of 4 MiB or more is encoded by the
  // calling thread and a second one, which ends before Encode returns.
  std::u16string Encode(std::u16string& text) const;

  // Removes every CR and LF from `text`, then decodes what is left. That
  // must be a whole number of four-digit groups of the alphabet, of which
  // only the last one or two characters may be the pad mark "=". A text that
  // is empty once stripped gives an empty result.
  std::u16string Decode(std::u16string& text) const;

 private:
  // The result of encoding `count` bytes (a multiple of 3), `toByte(in[i])`
  // each, with room for `capacity` characters; the digits go straight into
  // it. The calling thread runs `alongside()` while a long text is encoded.
  template <typename Unit, typename ToByte, typename Alongside>
  std::u16string encodeBytes(const Unit* in, std::size_t count, std::size_t capacity, ToByte toByte,
                             const Alongside& alongside) const;
  // Decodes `text` (whole groups, the last one ending in `padCount` pad
  // marks) into `out`, `fromByte(byte)` for each byte; throws when `text` is
  // not Base64.
  template <typename Unit, typename FromByte>
  void decodeInto(const std::u16string& text, std::size_t padCount, Unit* out, FromByte fromByte) const;

  std::array<std::uint8_t, 64> bytAlphabet;              // digit value -> its character
  std::array<std::uint16_t, 256> digitOf;                // character -> its digit value, 0x100 outside the alphabet
  std::array<std::array<char16_t, 2>, 4096> digitPairs;  // 12 bits -> their two digits
};

}  // namespace lum
