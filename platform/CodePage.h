#pragma once

#include <array>
#include <string>
#include <string_view>

namespace lum {

// Conversion between text (UTF-16 code units) and bytes in the system's ANSI
// code page. On Windows that is the code page the system is set to (CP_ACP);
// elsewhere it is Windows-1250, the ANSI code page of a Czech Windows, where
// the program's users make their files.
//
// With a single-byte code page every character gives one byte and every byte
// one character, NUL included. Each of the 256 byte values reads as its own
// character (a byte the code page leaves undefined reads as the character of
// the same number, 0x81 as U+0081), and those characters write back as their
// bytes; any other character writes as "?".
//
// The Windows conversion calls count in int: a longer argument fails with
// lum::Failure 6 (overflow).

std::string ToAnsi(std::u16string_view text);
std::u16string FromAnsi(std::string_view bytes);

// The conversion as two tables, where it takes every UTF-16 unit on its own
// to one byte and every byte to one unit: ToAnsi and FromAnsi then give a
// look-up per unit or byte, so that a caller can convert straight into its
// own memory. That holds everywhere but on Windows, where the system's
// conversion calls speak for the code page it is set to, and where this
// gives null.
struct UnitConversion {
  std::array<unsigned char, 0x10000> byteOf;  // per UTF-16 unit
  std::array<char16_t, 256> characterOf;      // per byte
};
const UnitConversion* UnitByUnitConversion();

}  // namespace lum
