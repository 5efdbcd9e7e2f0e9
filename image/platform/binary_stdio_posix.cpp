#include "image/platform/binary_stdio.h"

// Text and binary streams are the same here.
void SetBinaryMode(std::FILE *) {}
