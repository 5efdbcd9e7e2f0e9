// A serial number as the bytes a chip holds: binary either way round, packed BCD, or ASCII
// decimal or hex digits, in a width of 1 to 8 bytes. zmcli's run and zmimage serial stamp with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/memory_image.h"

enum class SerialFormat { Le, Be, Bcd, Dec, Hex };

constexpr unsigned kSerialWidthMax = 8;

// "le", "be", "bcd", "dec", "hex".
bool ParseSerialFormat(const std::string &name, SerialFormat &format);
const char *SerialFormatName(SerialFormat format);
// The five names, in that order, for the lists that offer them.
std::vector<std::string> SerialFormatNames();

// The largest number `width` bytes hold in `format`; 0 for a width outside 1 to 8.
uint64_t LargestSerial(SerialFormat format, unsigned width);

// The `width` bytes of `number`. False with `error` saying why: a width outside 1 to 8, or a
// number too big for the width in that format.
bool SerialBytes(uint64_t number, SerialFormat format, unsigned width, std::string &bytes, std::string &error);

// The bytes as hex, two upper-case digits a byte, nothing between: "00000017".
std::string SerialBytesHex(const std::string &bytes);

// `bytes` put into the image at `address`, over what was there.
void StampSerial(MemoryImage &image, uint32_t address, const std::string &bytes);
