#pragma once

#include <cstddef>

namespace lum {

// Asks the system to back the memory at `data` with large pages where it
// can (Linux: transparent huge pages of 2 MiB). Memory of tens of megabytes
// that is about to be written for the first time then costs one page fault
// per large page instead of one per 4 KiB page, which is most of the time of
// filling it. A hint only: the contents stay as they are, and where the
// system has no such advice nothing happens.
void PreferLargePages(void* data, std::size_t size);

}  // namespace lum
