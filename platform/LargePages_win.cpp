#include "platform/LargePages.h"

namespace lum {

// Windows gives large pages only to processes with a privilege that
// programs do not hold by default, so the hint does nothing here.
void PreferLargePages(void*, std::size_t) {}

}  // namespace lum
