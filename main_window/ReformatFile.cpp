#include "main_window/ReformatFile.h"

#include "platform/Files.h"

namespace lum {

CopyOutcome ReformatFile(const std::string& source, const std::string& target, CopyObserver& observer) {
  InputFile input(source);
  ReplacementFile output(target);
  // A file's writes always come back, so the target is written on a thread
  // of its own while the source is read and scanned.
  const CopyOutcome outcome =
      CopyWithLineBreaks(input, output, input.size(), observer, kDefaultCopyBufferSize, SinkThread::Own);
  if (outcome == CopyOutcome::Completed) output.commit();
  return outcome;
}

}  // namespace lum
