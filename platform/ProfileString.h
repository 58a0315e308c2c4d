#pragma once

#include <cstddef>
#include <string>

namespace lum {

// The longest value a profile string can have: the classic 255-character
// return buffer less its terminating NUL.
inline constexpr std::size_t kProfileValueMax = 254;

// Reads one value from a sectioned key=value settings file, with the
// semantics of the Windows private-profile call: section and key names match
// without regard to case, the value is the text after "=" without
// surrounding blanks and without one pair of surrounding quotes, lines that
// start with ";" are comments. A missing file, section or key gives the
// default. The result is cut to kProfileValueMax characters. Never throws for
// a missing or unreadable file. Texts are UTF-8.
std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& file);

}  // namespace lum
