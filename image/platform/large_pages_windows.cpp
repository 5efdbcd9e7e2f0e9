#include "image/platform/large_pages.h"

// Large pages need a privilege that a user's program does not have: the usual pages serve.
void PreferLargePages(const void *, size_t) {}
