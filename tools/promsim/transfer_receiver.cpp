#include "transfer_receiver.h"

namespace promsim {

namespace {
constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kCtrlC = 0x03;
// Longer than any record of 255 data bytes with a 32-bit address.
constexpr size_t kMaxLine = 530;
} // namespace

void TransferReceiver::Start(Format format, const std::vector<uint8_t> &memory)
{
    *this = TransferReceiver();
    format_ = format;
    staged_ = memory;
}

bool TransferReceiver::Feed(uint8_t byte)
{
    if (byte == kEsc || byte == kCtrlC) {
        aborted_ = true;
        return false;
    }
    if (byte == '\r' || byte == '\n')
        return EndLine();
    if (line_.size() < kMaxLine)
        line_ += char(byte);
    else
        overlong_ = true;
    return true;
}

void TransferReceiver::Fail(const std::string &why)
{
    if (error_.empty())
        error_ = "line " + std::to_string(lineNumber_) + ": " + why;
}

bool TransferReceiver::EndLine()
{
    ++lineNumber_;
    std::string line;
    line.swap(line_);
    bool overlong = overlong_;
    overlong_ = false;
    if (line.empty() && !overlong)
        return true;
    bool end = LooksLikeEndRecord(line);
    if (overlong) {
        Fail("bad length");
    } else {
        ParsedRecord parsed = ParseRecord(format_, line);
        if (!parsed.error.empty())
            Fail(parsed.error);
        else
            Take(parsed.record);
    }
    ended_ = end;
    return !end;
}

void TransferReceiver::Take(const Record &record)
{
    switch (record.kind) {
    case Record::Kind::SegmentBase:
    case Record::Kind::LinearBase:
        base_ = record.address;
        return;
    case Record::Kind::Data:
        break;
    default:
        return;
    }
    uint64_t first = uint64_t(base_) + record.address;
    if (first + record.data.size() > staged_.size()) {
        Fail("address beyond memory");
        return;
    }
    std::copy(record.data.begin(), record.data.end(), staged_.begin() + long(first));
    ++records_;
    bytes_ += record.data.size();
}

std::string TransferReceiver::Report() const
{
    if (aborted_)
        return "Transfer aborted";
    if (!error_.empty())
        return "Transfer failed, " + error_;
    return "Transfer OK: " + std::to_string(bytes_) + " bytes in " + std::to_string(records_) +
           (records_ == 1 ? " record" : " records");
}

} // namespace promsim
