#pragma once

#include <string>
#include <variant>

#include "platform/Failure.h"
#include "reformat/CopyEngine.h"

namespace lum {

// The reformat job without the window: copies the file `source` to `target`
// with CR LF after every ">" (see CopyWithLineBreaks), with progress points
// counting down from the source's length.
//
// The target appears whole, replacing an earlier file of that name, only when
// the copy completes; a failure or a cancel leaves no trace of the new target
// and an earlier one untouched. A source that is missing, unreadable or not a
// regular file fails before anything is created. Throws ReformatFailure (see
// InputFile and ReplacementFile for the numbers).
CopyOutcome ReformatFile(const std::string& source, const std::string& target, CopyObserver& observer);

// One end of a copy: a file by its path (UTF-8), or a stream that is already
// open, such as standard input or output.
using CopySource = std::variant<std::string, ByteSource*>;
using CopyTarget = std::variant<std::string, ByteSink*>;

// The same job where either end may be an open stream, as the command line
// has them. A stream source's length is not known (the total given to the
// observer is negative); a stream target gets the bytes as they come, since
// what a stream was given cannot be taken back.
CopyOutcome ReformatFile(const CopySource& source, const CopyTarget& target, CopyObserver& observer);

// Which end of a copy a failure concerns, so that a caller can name its file.
enum class CopyEnd { Source, Target };

// Every failure of ReformatFile: the failure, and the end it concerns (a
// failure of the copy that is not the source's counts as the target's).
class ReformatFailure : public Failure {
 public:
  ReformatFailure(const Failure& failure, CopyEnd end) : Failure(failure), end_(end) {}
  CopyEnd end() const noexcept { return end_; }

 private:
  CopyEnd end_;
};

}  // namespace lum
