// lum-brevix: the reformat job from the command line (see cli/Cli.h).
#include "cli/Cli.h"
#include "platform/CommandLine.h"
#include "platform/Program.h"
#include "platform/console/Interrupt.h"
#include "platform/console/StandardStreams.h"

int main(int argc, char** argv) {
  lum::IgnoreFileSizeLimitSignal();
  lum::PrepareStandardStreams();
  lum::StopOnInterrupt();
  lum::StandardInput input;
  lum::StandardOutput output(lum::OutputStream::Output);
  lum::StandardOutput messages(lum::OutputStream::Error);
  const lum::cli::Console console{input,
                                  output,
                                  messages,
                                  lum::IsTerminal(lum::OutputStream::Error),
                                  lum::InterruptRequested,
                                  lum::StandardInputIdentity(),
                                  lum::IdentityOf(lum::OutputStream::Output)};
  const int status = lum::cli::RunCli(lum::CommandLineArguments(argc, argv), console);
  if (status == lum::cli::kExitReaderGone) lum::EndAsClosedPipe();
  return status;
}
