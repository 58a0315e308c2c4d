#include "platform/LargePages.h"

#include <cstdint>

#include <sys/mman.h>

namespace lum {

#if defined(__linux__) && defined(MADV_HUGEPAGE)

void PreferLargePages(void* data, std::size_t size) {
  // Only whole large pages inside the block can be backed by one.
  constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t last = (start + size) & ~(kLargePage - 1);
  if (first >= last) return;
  // A refusal (a kernel without transparent huge pages) changes nothing.
  ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

#else

void PreferLargePages(void*, std::size_t) {}

#endif

}  // namespace lum
