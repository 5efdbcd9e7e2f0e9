#include "serial_ports.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string Hex4(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

// Digits without their leading zeros (one kept for zero).
std::string_view Number(std::string_view digits)
{
    while (digits.size() > 1 && digits.front() == '0')
        digits.remove_prefix(1);
    return digits;
}

}  // namespace

bool DeviceNameLess(const std::string &a, const std::string &b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (!IsDigit(a[i]) || !IsDigit(b[j])) {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i, ++j;
            continue;
        }
        const size_t iEnd = std::min(a.find_first_not_of("0123456789", i), a.size());
        const size_t jEnd = std::min(b.find_first_not_of("0123456789", j), b.size());
        const std::string_view x = Number(std::string_view(a).substr(i, iEnd - i));
        const std::string_view y = Number(std::string_view(b).substr(j, jEnd - j));
        if (x != y)
            return x.size() != y.size() ? x.size() < y.size() : x < y;
        i = iEnd, j = jEnd;
    }
    return a.size() - i < b.size() - j;
}

std::string PortSummary(const SerialPortInfo &info)
{
    std::string text = info.description;
    const auto add = [&](const std::string &part) {
        if (!part.empty())
            text += (text.empty() ? "" : ", ") + part;
    };
    // A product name often starts with its maker's: said once.
    if (!info.manufacturer.empty() && info.description.compare(0, info.manufacturer.size(), info.manufacturer) != 0)
        add(info.manufacturer);
    if (info.vendorId && info.productId)
        add("USB " + Hex4(*info.vendorId) + ":" + Hex4(*info.productId));
    if (!info.serialNumber.empty())
        add("serial number " + info.serialNumber);
    return text;
}
