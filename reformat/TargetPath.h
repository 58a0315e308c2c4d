#pragma once

#include <string>

#include "paths/Paths.h"

namespace lum {

// The file the reformat job writes for `source`: the source's whole file
// name followed by "_LUM.XML", in the source's folder. A source without any
// folder separator ("faktura.xml", or "C:faktura.xml" in the Windows style)
// gets its target beside it, in the same relative place. Cannot fail.
std::string TargetPathFor(const std::string& source, PathStyle style);

}  // namespace lum
