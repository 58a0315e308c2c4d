#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ByteStream.h"
#include "platform/Files.h"

namespace lum::cli {

// What the command-line program talks to; main() passes the standard streams.
struct Console {
  ByteSource& input;   // the source "-"
  ByteSink& output;    // the target "-", --help and --version
  ByteSink& messages;  // the progress line, messages and errors
  // Whether `messages` is a terminal: only there the progress line shows.
  bool messagesOnTerminal;
  // Asked after every buffer: true stops the current file and the run.
  std::function<bool()> stopRequested;
  // The regular files that `input` comes from and `output` goes to, if they
  // are files: the source may not be the file that `output` goes to.
  std::optional<FileIdentity> inputFile = std::nullopt;
  std::optional<FileIdentity> outputFile = std::nullopt;
};

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitSomeFailed = 1;  // the others were still processed
inline constexpr int kExitUsage = 2;       // nothing was processed
inline constexpr int kExitInterrupted = 130;
// The reader of `output` is gone (a closed pipe): nothing is said, and main()
// ends the program as a closed pipe ends other filters.
inline constexpr int kExitReaderGone = 141;

// The program lum-brevix: `arguments` without the program's name.
//
//   lum-brevix [-q] FILE...          each FILE's copy beside it (TargetPathFor)
//   lum-brevix [-q] -o OUTPUT FILE   one copy into OUTPUT
//
// The copy has CR LF after every ">" (CopyWithLineBreaks) and appears whole
// or not at all, as in the window. OUTPUT "-" (or a name of standard output,
// /dev/stdout) is `output`, FILE "-" is `input` (only with -o). OUTPUT may
// name FILE itself, which converts it in place; a copy's name beside FILE
// that leads back to FILE through a link is refused, and so is `output` when
// it is FILE. Files are done one after another; a failure is reported as
// "file: number-description" and the next file follows. Messages are Czech;
// stdout carries nothing but data, --help and --version.
int RunCli(const std::vector<std::string>& arguments, const Console& console);

}  // namespace lum::cli
