#pragma once

#include <string>
#include <variant>

#include "failure/Failure.h"
#include "reformat/CopyEngine.h"

namespace lum {

// Whether a target path that names the source file itself (under the same
// name, or through a link) may take the source's place. Only where the user
// named the source as the target on purpose, to convert it in place: a copy
// beside its source that turns out to be the source, through a link at the
// copy's name, would destroy the source under another name.
enum class SourceAsTarget { Refused, InPlace };

// The failure for a target that is the source itself: 75, with a text of its own.
Failure TargetIsTheSource();

// The reformat job without the window: copies the file `source` to `target`
// with CR LF after every ">" (see CopyWithLineBreaks), with progress points
// counting down from the source's length.
//
// The target appears whole, replacing an earlier file of that name, only when
// the copy completes; a failure or a cancel leaves no trace of the new target
// and an earlier one untouched. A source that is missing, unreadable or not a
// regular file, and a target that is the source file itself, fail before
// anything is created. Throws ReformatFailure (see InputFile and
// ReplacementFile for the numbers).
CopyOutcome ReformatFile(const std::string& source, const std::string& target, CopyObserver& observer);

// One end of a copy: a file by its path (UTF-8), or a stream that is already
// open, such as standard input or output.
using CopySource = std::variant<std::string, ByteSource*>;
using CopyTarget = std::variant<std::string, ByteSink*>;

// The same job where either end may be an open stream, as the command line
// has them. A stream source's length is not known (the total given to the
// observer is negative); a stream target gets the bytes as they come, since
// what a stream was given cannot be taken back. A target path that is the
// source file is refused unless `sourceAsTarget` allows it; a stream target
// is not checked here, as only its opener knows what it is.
CopyOutcome ReformatFile(const CopySource& source, const CopyTarget& target, CopyObserver& observer,
                         SourceAsTarget sourceAsTarget = SourceAsTarget::Refused);

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
