#include "image/platform/large_pages.h"

#include <cstdint>
#include <sys/mman.h>

void PreferLargePages(const void *data, size_t size)
{
#ifdef MADV_HUGEPAGE
    // Only whole large pages inside the buffer: madvise wants page-aligned ranges.
    constexpr uintptr_t kLarge = uintptr_t(2) << 20;
    const uintptr_t from = (reinterpret_cast<uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(data) + size) & ~(kLarge - 1);
    if (to > from)
        madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);  // a hint: failure costs only speed
#else
    (void)data;
    (void)size;
#endif
}
