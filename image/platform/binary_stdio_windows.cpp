#include "image/platform/binary_stdio.h"

#include <fcntl.h>
#include <io.h>

void SetBinaryMode(std::FILE *stream) { _setmode(_fileno(stream), _O_BINARY); }
