// Standard input and output carry images byte for byte, not as text.
#pragma once

#include <cstdio>

void SetBinaryMode(std::FILE *stream);
