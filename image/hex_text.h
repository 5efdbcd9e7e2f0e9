// Addresses and bytes as people read them in messages and listings.
#pragma once

#include <cstdint>
#include <string>

// Upper-case hexadecimal of at least `width` digits (at most 16).
std::string HexUpper(uint64_t value, int width);
