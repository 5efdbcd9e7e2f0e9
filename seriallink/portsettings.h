// How the exported open turns its arguments into port settings.
#pragma once

#include <cstdint>
#include <string>

// "COM" and the number as an integer is written: "COM1", "COM37", "COM-2".
std::string ComPortName(int32_t port);
// 2 two, 3 one and a half, anything else one stop bit.
uint8_t StopBitsFromCode(int32_t code);
// "E"/"e" even, "O"/"o" odd, anything else none.
uint8_t ParityFromLetter(uint8_t letter);
