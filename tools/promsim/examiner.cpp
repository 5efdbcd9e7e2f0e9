#include "examiner.h"

#include "hex.h"

namespace promsim {

namespace {
constexpr uint8_t kEsc = 0x1B;
constexpr size_t kMaxAddressDigits = 8;
} // namespace

void Examiner::Start()
{
    haveAddress_ = false;
    digits_.clear();
    pendingDigit_ = -1;
}

void Examiner::Show(std::string &out) const
{
    out += "\r\n";
    out += AddressText(address_);
    out += '=';
    AppendHex(out, memory_[address_], 2);
}

bool Examiner::Step(std::string &out)
{
    pendingDigit_ = -1;
    if (address_ + 1 >= memory_.size()) {
        out += "\r\nEnd of memory";
        return false;
    }
    ++address_;
    Show(out);
    return true;
}

bool Examiner::Feed(uint8_t byte, std::string &out)
{
    int digit = HexDigit(byte);
    if (!haveAddress_) {
        if (digit >= 0 && digits_.size() < kMaxAddressDigits) {
            digits_ += char(byte);
            return true;
        }
        if (byte == kEsc)
            return false;
        if ((byte != '\r' && byte != '\n') || digits_.empty()) {
            out += '?';
            return false;
        }
        uint32_t address = 0;
        for (char c : digits_)
            address = address * 16 + uint32_t(HexDigit(c));
        if (address >= memory_.size()) {
            out += '?';
            return false;
        }
        address_ = address;
        haveAddress_ = true;
        Show(out);
        return true;
    }
    if (digit >= 0) {
        if (pendingDigit_ < 0) {
            pendingDigit_ = digit;
            return true;
        }
        memory_[address_] = static_cast<uint8_t>(pendingDigit_ * 16 + digit);
        return Step(out);
    }
    switch (byte) {
    case ' ':
        return Step(out);
    case '\r':
    case '\n':
    case kEsc:
        return false;
    default:
        pendingDigit_ = -1;
        out += '?';
        Show(out);
        return true;
    }
}

} // namespace promsim
