#include "run_log.h"

#include <array>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "image/hex_text.h"
#include "image/number_text.h"
#include "platform/append_file.h"

namespace {

constexpr std::array<const char *, 16> kFields{
    "time",   "site",     "device",      "chip",       "part",       "image",
    "image sum16", "image crc32", "serial", "serial bytes", "chip sum16", "chip crc32",
    "result", "program answer", "verify answer", "fail address"};
constexpr size_t kSerialField = 8;
constexpr size_t kResultField = 12;
const char *const kResultTexts[] = {"pass", "fail", "stopped", "line lost", "no answer"};

std::string Quoted(const std::string &field)
{
    if (field.find_first_of(",\"\r\n") == std::string::npos &&
        (field.empty() || (field.front() != ' ' && field.back() != ' ')))
        return field;
    std::string text = "\"";
    for (const char c : field) {
        if (c == '"')
            text += '"';
        text += c;
    }
    return text + "\"";
}

std::string Joined(const std::vector<std::string> &fields)
{
    std::string text;
    for (size_t i = 0; i < fields.size(); ++i)
        text += (i ? "," : "") + Quoted(fields[i]);
    return text;
}

// A record of CSV as spreadsheets write it: quoted fields may hold commas, doubled quotes and
// line ends. `at` moves past the record's line end; false with `error` when it is malformed.
// `lines` counts the line ends passed.
bool NextRecord(const std::string &text, size_t &at, std::vector<std::string> &fields, size_t &lines,
                std::string &error)
{
    fields.assign(1, {});
    bool quoted = false, wasQuoted = false;
    while (at < text.size()) {
        const char c = text[at++];
        if (quoted) {
            if (c == '"' && at < text.size() && text[at] == '"') {
                fields.back() += '"';
                ++at;
            } else if (c == '"') {
                quoted = false;
            } else {
                lines += c == '\n';
                fields.back() += c;
            }
        } else if (c == '\n' || (c == '\r' && at < text.size() && text[at] == '\n')) {
            at += c == '\r';
            ++lines;
            return true;
        } else if (c == ',') {
            fields.emplace_back();
            wasQuoted = false;
        } else if (c == '"' && fields.back().empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (wasQuoted) {
            error = "a character after a closing quote";
            return false;
        } else {
            fields.back() += c;
        }
    }
    error = quoted ? "a quote not closed at the end of the file" : "the last line has no line end (torn)";
    return false;
}

bool IsSerial(const std::string &field)
{
    return ReadNumberText(field, NumberForm::Decimal().AtMost(20)).has_value();
}

bool CheckLine(const std::vector<std::string> &fields, std::string &error)
{
    if (fields.size() != kFields.size()) {
        error = std::to_string(fields.size()) + " fields, not " + std::to_string(kFields.size());
        return false;
    }
    const std::string &serial = fields[kSerialField];
    if (!serial.empty() && !IsSerial(serial)) {
        error = "serial \"" + serial + "\" is not a number";
        return false;
    }
    if (fields[kResultField] == kChipStarted)
        return true;
    for (const char *known : kResultTexts)
        if (fields[kResultField] == known)
            return true;
    error = "result \"" + fields[kResultField] + "\" is none of started, pass, fail, stopped, line lost, no answer";
    return false;
}

}  // namespace

const char *ChipResultText(ChipResult result) { return kResultTexts[static_cast<int>(result)]; }

const std::string &RunLogHeader()
{
    static const std::string header = Joined(std::vector<std::string>(kFields.begin(), kFields.end()));
    return header;
}

std::string RunLogText(const RunLogLine &line)
{
    return Joined({line.time.empty() ? RunLogTime() : line.time, std::to_string(line.site), line.device,
                   std::to_string(line.chip), line.part, line.image, HexUpper(line.imageSum16, 4),
                   HexUpper(line.imageCrc32, 8), line.serial ? std::to_string(*line.serial) : std::string(),
                   line.serialHex, HexUpper(line.chipSum16, 4), HexUpper(line.chipCrc32, 8), line.result,
                   line.programAnswer, line.verifyAnswer, line.failAddress});
}

std::string RunLogTime()
{
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    const std::tm utc = *std::gmtime(&now);
    // The offset from the two broken-down times: days apart only across midnight or new year.
    int days = local.tm_year != utc.tm_year ? (local.tm_year > utc.tm_year ? 1 : -1) : local.tm_yday - utc.tm_yday;
    int minutes = days * 1440 + (local.tm_hour - utc.tm_hour) * 60 + local.tm_min - utc.tm_min;
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const char sign = minutes < 0 ? '-' : '+';
    minutes = minutes < 0 ? -minutes : minutes;
    char offset[8];
    std::snprintf(offset, sizeof offset, "%c%02d:%02d", sign, minutes / 60 % 100, minutes % 60);
    return std::string(text) + offset;
}

bool ReadRunLog(const std::string &text, RunLogSummary &summary, std::string &error)
{
    summary = {};
    size_t at = 0, lines = 0;
    std::vector<std::string> fields;
    bool header = true;
    while (at < text.size()) {
        const size_t line = lines + 1;
        std::string why;
        if (!NextRecord(text, at, fields, lines, why)) {
            error = "line " + std::to_string(line) + ": " + why;
            return false;
        }
        if (header) {
            if (fields != std::vector<std::string>(kFields.begin(), kFields.end())) {
                error = "line 1 is not the header of a run's log: " + RunLogHeader();
                return false;
            }
            header = false;
            continue;
        }
        if (fields.size() == 1 && fields[0].empty())
            continue;  // a blank line a hand left
        if (!CheckLine(fields, why)) {
            error = "line " + std::to_string(line) + ": " + why;
            return false;
        }
        ++summary.lines;
        if (!fields[kSerialField].empty()) {
            const uint64_t serial = ReadNumberText(fields[kSerialField], NumberForm::Decimal())->magnitude;
            if (!summary.highestSerial || serial > *summary.highestSerial)
                summary.highestSerial = serial;
        }
    }
    return true;
}

RunLogFile::~RunLogFile() { append_file::Close(fd_); }

bool RunLogFile::Open(const std::string &path, RunLogSummary &summary, std::string &error)
{
    path_ = path;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    const bool existed = std::filesystem::exists(status);
    if (existed && !std::filesystem::is_regular_file(status)) {
        error = "the run's log " + path + " is not a regular file";
        return false;
    }
    std::string text;
    if (existed) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        if (!in) {
            error = "the run's log " + path + " cannot be read";
            return false;
        }
        text = content.str();
    }
    std::string why;
    if (!ReadRunLog(text, summary, why)) {
        error = "the run's log " + path + " is refused: " + why;
        return false;
    }
    fd_ = append_file::Open(path, why);
    if (fd_ < 0) {
        error = "Cannot write the run's log " + path + ": " + why;
        return false;
    }
    return !text.empty() || Write(RunLogHeader() + "\n", error);
}

bool RunLogFile::Append(const RunLogLine &line, std::string &error)
{
    return Write(RunLogText(line) + "\n", error);
}

bool RunLogFile::Write(const std::string &text, std::string &error)
{
    std::string why;
    if (fd_ >= 0 && append_file::Write(fd_, text, why))
        return true;
    error = "Cannot write the run's log " + path_ + ": " + (fd_ < 0 ? "not open" : why);
    return false;
}
