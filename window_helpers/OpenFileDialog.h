#pragma once

#include <QString>

#include "window_helpers/NativePath.h"

namespace lum {

class UiServices;

// Lets the user pick a file and returns its full path, or an empty one
// after a cancel (no message) or a failure (reported in a critical error
// box); a name that is not UTF-8 comes back with its bytes. The chooser shows
// `title`, one filter entry `description` for `pattern` (matched without
// regard to case), adds `defaultExt` to a typed name without one, accepts any
// name whose folder exists, and opens in `initialFolder` when that exists.
// Unless `keepCurrentFolder`, the process's current folder becomes the chosen
// file's folder. `services` shows the chooser and the error box.
NativePath ShowOpenFileDialog(UiServices& services, const QString& title, const QString& initialFolder,
                              const QString& defaultExt, const QString& pattern, bool keepCurrentFolder,
                              const QString& description);

}  // namespace lum
