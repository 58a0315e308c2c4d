#pragma once

#include <string>

#include "main_window/CopyEngine.h"

namespace lum {

// The reformat command's work without the window: copies the file `source`
// to `target` with CR LF after every ">" (see CopyWithLineBreaks), with
// progress points counting down from the source's length.
//
// The target appears whole, replacing an earlier file of that name, only when
// the copy completes; a failure or a cancel leaves no trace of the new target
// and an earlier one untouched. A source that is missing, unreadable or not a
// regular file fails before anything is created. Throws lum::Failure (see
// InputFile and ReplacementFile for the numbers).
CopyOutcome ReformatFile(const std::string& source, const std::string& target, CopyObserver& observer);

}  // namespace lum
