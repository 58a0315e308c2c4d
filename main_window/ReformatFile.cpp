#include "main_window/ReformatFile.h"

#include "platform/Files.h"

namespace lum {

CopyOutcome ReformatFile(const std::string& source, const std::string& target, CopyObserver& observer) {
  InputFile input(source);
  ReplacementFile output(target);
  const CopyOutcome outcome = CopyWithLineBreaks(input, output, input.size(), observer);
  if (outcome == CopyOutcome::Completed) output.commit();
  return outcome;
}

}  // namespace lum
