#pragma once

#include <string>

namespace lum {

// The folder separator of the platform the program runs on.
#ifdef _WIN32
inline constexpr char kNativeSeparator = '\\';
#else
inline constexpr char kNativeSeparator = '/';
#endif

// The folder that holds the running executable, UTF-8, without a trailing
// separator except at a root ("C:\", "/").
std::string ProgramFolder();

// The running executable's file name without its extension ("LUM_Brevix").
std::string ExecutableName();

}  // namespace lum
