#pragma once

#include "platform/console/StandardStreams.h"

// Internal to the standard streams' per-OS files: the sources of the
// failures they raise.

namespace lum {

inline constexpr const char* kStandardInputSource = "StandardInput";

inline const char* SourceName(OutputStream stream) {
  return stream == OutputStream::Output ? "StandardOutput" : "StandardError";
}

}  // namespace lum
