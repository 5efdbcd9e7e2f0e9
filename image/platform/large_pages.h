// Large buffers filled at once: backed by large pages where the system can, so that filling
// them takes a page fault every few MiB rather than one every 4 KiB.
#pragma once

#include <cstddef>

void PreferLargePages(const void *data, size_t size);
