#pragma once

#include <string>

namespace lum {

// The folder that holds the running executable, UTF-8, without a trailing
// separator except at a root ("C:\", "/").
std::string ProgramFolder();

// The running executable's file name without its extension ("LUM_Brevix").
std::string ExecutableName();

// Lets a write past the file-size limit (a shell's `ulimit -f`) fail with an
// error, which the programs report as a full disk (61), instead of ending the
// process with SIGXFSZ. Both programs call it first thing; nothing on Windows,
// which has no such signal.
void IgnoreFileSizeLimitSignal();

}  // namespace lum
