#pragma once

#include <string>
#include <vector>

namespace lum {

// The command-line arguments as given to main(), without the program's own
// name, in UTF-8. On Windows they are taken from the UTF-16 command line, so
// that names outside the ANSI code page survive.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace lum
