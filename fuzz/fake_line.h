// A programmer played from the fuzzer's bytes on a line of our own, on a virtual clock: the
// serial library's eight calls and the session's clock and line waits, linked in place of the
// real ones, so that a transfer meets any answer in microseconds instead of its real seconds.
//
// The script: bytes arrive as they stand, a few at a time as the session looks; 0xFF then d
// is a quiet time of d * 50 ms (the line says nothing meanwhile), 0xFF 0x00 a hang-up (every
// later call fails, as for an unplugged adapter) and 0xFF 0xFF one byte 0xFF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fakeline {

void Start(const uint8_t *data, size_t size);
// What the session sent, and what it took from the line (cleared bytes are not taken).
const std::string &Sent();
const std::string &Taken();
// True once every scripted byte has arrived and the last quiet time is over.
bool Exhausted();
// Microseconds on the virtual clock; waits move it on.
uint64_t NowUs();
void Advance(uint64_t us);

}  // namespace fakeline
