#pragma once

#include <string>

// Internal to Program.cpp and its per-OS files.

namespace lum {

// The running executable's full path, UTF-8. Throws lum::Failure 75 when the
// system does not tell it.
std::string ExecutablePath();

}  // namespace lum
