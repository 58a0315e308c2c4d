#pragma once

#include <cstddef>
#include <string>

namespace lum {

// The longest value a profile string can have: the reader hands the profile
// call a return buffer of 255 characters, and the call keeps one for its
// terminating NUL. Longer values come back cut, the same on every platform.
inline constexpr std::size_t kProfileValueMax = 254;

// Reads one value from a sectioned key=value settings file, with the
// semantics of the Windows private-profile call: section and key names match
// without regard to case, the value is the text after "=" without
// surrounding blanks and without one pair of surrounding quotes, lines that
// start with ";" are comments. A missing file, section or key gives the
// default. The result is cut to kProfileValueMax characters. Never throws for
// a missing or unreadable file. The arguments and the result are UTF-8; the
// file is a text file of its system: UTF-8 on POSIX, and on Windows, where
// the system's profile call reads it, the ANSI code page unless it starts
// with a byte-order mark.
std::string ReadIniString(const std::string& section, const std::string& key, const std::string& defaultValue,
                          const std::string& file);

}  // namespace lum
