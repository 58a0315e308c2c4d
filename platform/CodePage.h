#pragma once

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

}  // namespace lum
