#include "device.h"

#include "hex.h"

namespace promsim {

namespace {
constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kCtrlC = 0x03;
constexpr size_t kUploadLowWater = 1024;
constexpr size_t kUploadBudget = 1024;
} // namespace

Device::Device(std::vector<uint8_t> memory, Timing timing, ChipOptions chips)
    : memory_(std::move(memory)), chip_(memory_.size(), std::move(chips)), timing_(timing)
{
}

void Device::PowerOn()
{
    mode_ = Mode::Prompt;
    lastWasCr_ = false;
    typeAhead_.clear();
    Prompt();
}

void Device::Prompt() { out_ += "\r\n>"; }

std::string Device::TakeOutput()
{
    std::string out;
    out.swap(out_);
    return out;
}

bool Device::TakeFlushRequest()
{
    bool flush = flushOutput_;
    flushOutput_ = false;
    return flush;
}

void Device::Receive(uint8_t byte, Clock::time_point now)
{
    if (mode_ == Mode::Programming) {
        // A chip being programmed cannot be stopped: what comes meanwhile waits for the prompt.
        typeAhead_ += char(byte);
        return;
    }
    if (mode_ == Mode::Upload) {
        if (byte == kEsc || byte == kCtrlC) {
            typeAhead_.clear();
            out_.clear();
            flushOutput_ = true;
            out_ += "\r\nUpload aborted";
            Prompt();
            mode_ = Mode::Prompt;
        } else {
            // Typed ahead: taken as commands once the upload is out.
            typeAhead_ += char(byte);
        }
        return;
    }
    // CR LF is one line end wherever it arrives.
    bool lfOfCrLf = byte == '\n' && lastWasCr_;
    lastWasCr_ = byte == '\r';
    if (lfOfCrLf)
        return;

    switch (mode_) {
    case Mode::Prompt:
        Command(byte, now);
        break;
    case Mode::SkipLine:
        if (byte == '\r' || byte == '\n')
            mode_ = Mode::Prompt;
        break;
    case Mode::Examine:
        if (!examiner_.Feed(byte, out_)) {
            Prompt();
            mode_ = Mode::Prompt;
        }
        break;
    case Mode::Transfer:
        if (!receiver_.Feed(byte)) {
            if (receiver_.Succeeded()) {
                memory_.swap(receiver_.Staged());
                transferDone_ = true;
            }
            receiver_.Staged().clear();
            receiver_.Staged().shrink_to_fit();
            out_ += "\r\n" + receiver_.Report();
            Prompt();
            mode_ = Mode::Prompt;
        }
        break;
    case Mode::UploadOffset: {
        int digit = HexDigit(byte);
        uint32_t from = uint32_t(digit) * 0x1000;
        if (digit < 0 || from >= memory_.size()) {
            out_ += '?';
            Prompt();
            mode_ = Mode::Prompt;
            break;
        }
        uploader_.Start(format_, from, memory_.size());
        uploadStart_ = now + timing_.uploadDelay;
        mode_ = Mode::Upload;
        break;
    }
    case Mode::Upload:
    case Mode::Programming:
        break;
    }
}

void Device::Command(uint8_t byte, Clock::time_point now)
{
    // Record marks at the prompt: a line that strayed in after a transfer. One answer
    // for the whole line rather than one per character.
    if (byte == ':' || byte == 'S') {
        out_ += '?';
        Prompt();
        mode_ = Mode::SkipLine;
        return;
    }
    uint8_t letter = (byte >= 'a' && byte <= 'z') ? uint8_t(byte - 'a' + 'A') : byte;
    switch (letter) {
    case '\r':
    case '\n':
        Prompt();
        break;
    case 'X':
        out_ += ' ';
        examiner_.Start();
        mode_ = Mode::Examine;
        break;
    case 'I':
        format_ = Format::Intel;
        Prompt();
        break;
    case 'M':
        format_ = Format::Motorola;
        Prompt();
        break;
    case 'T':
        receiver_.Start(format_, memory_);
        mode_ = Mode::Transfer;
        break;
    case 'U':
        mode_ = Mode::UploadOffset;
        break;
    case 'P':
        Program(now);
        break;
    case 'V':
        out_ += "\r\n" + chip_.Verify(memory_);
        Prompt();
        break;
    default:
        out_ += '?';
        Prompt();
        break;
    }
}

void Device::Program(Clock::time_point now)
{
    programAnswer_ = "\r\n" + chip_.Program(memory_);
    chipProgrammed_ = true;
    if (timing_.programTime <= Clock::duration::zero()) {
        out_ += programAnswer_;
        Prompt();
        return;
    }
    programDone_ = now + timing_.programTime;
    mode_ = Mode::Programming;
}

void Device::Pump(size_t pendingOutput, Clock::time_point now)
{
    if (mode_ == Mode::Programming && now >= programDone_) {
        out_ += programAnswer_;
        Prompt();
        mode_ = Mode::Prompt;
        ReplayTypeAhead(now);
        return;
    }
    if (mode_ != Mode::Upload || now < uploadStart_ || pendingOutput + out_.size() >= kUploadLowWater)
        return;
    if (!uploader_.Produce(memory_, out_, kUploadBudget))
        return;
    Prompt();
    mode_ = Mode::Prompt;
    ReplayTypeAhead(now);
}

void Device::ReplayTypeAhead(Clock::time_point now)
{
    std::string bytes;
    bytes.swap(typeAhead_);
    for (char c : bytes)
        Receive(static_cast<uint8_t>(c), now);
}

std::optional<Device::Clock::time_point> Device::NextEvent(Clock::time_point now) const
{
    if (mode_ == Mode::Upload && now < uploadStart_)
        return uploadStart_;
    if (mode_ == Mode::Programming)
        return programDone_;
    return std::nullopt;
}

} // namespace promsim
