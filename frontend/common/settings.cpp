// LoadSettings: built-in defaults, then the command line, then the settings file.
#include "settings.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "format.h"
#include "image/number_text.h"
#include "numbers.h"
#include "paths.h"
#include "text.h"
#include "profile.h"

namespace {

// "{input}value" entries; the first entry whose braces hold the input gives the value.
const char kStopBitsTable[] = "{1}0{1.5}3{1-1/2}3{2}2";
const char kDataBitsTable[] = "{5}5{6}6{7}7{8}8";

const char kUsage[] =
    "Ooops, command-line error.%s\r\n"
    "Note that - or \\ will introduce option.\r\n"
    "-ispecial.ini   specify ini file.\r\n"
    "-i-   specify no ini file.\r\n"
    "-p37   specify port 37.\r\n"
    "-b19,200   specify baud.\r\n"
    "-f7o1.5   specify data format";

constexpr size_t kMaxOptionValue = 10000;

int32_t Lookup(const std::string &table, const std::string &input, int32_t fallback)
{
    const std::string key = "{" + LowerCase(input) + "}";
    const size_t at = table.find(key);
    if (at == std::string::npos)
        return fallback;
    const size_t from = at + key.size();
    return ParseDecimal(table.substr(from, table.find('{', from) - from));
}

// A whole number: optional sign, then decimal digits, "$" and hex digits, or "0x" and hex
// digits (only when the value is longer than "0x"). Hex reaches all 32 bits (two's complement).
std::optional<int32_t> ReadInteger(const std::optional<std::string> &value)
{
    if (!value)
        return std::nullopt;
    const auto number = ReadNumberText(*value, NumberForm::Decimal().Signed().Dollar().ZeroX());
    if (!number)
        return std::nullopt;
    const uint64_t limit = number->base == 16 ? 0xFFFFFFFFu : number->negative ? 0x80000000u : 0x7FFFFFFFu;
    if (number->magnitude > limit)
        return std::nullopt;
    return number->Bits32();
}

// The integer reader with the current value (false 0, true 1) as default; non-zero is true.
bool ReadBoolean(const std::optional<std::string> &value, bool current)
{
    return ReadInteger(value).value_or(current ? 1 : 0) != 0;
}

std::optional<int32_t> ReadHexKey(const std::optional<std::string> &value)
{
    if (!value || value->empty())
        return std::nullopt;
    return ParseHex(value->front() == '$' ? value->substr(1) : *value);
}

void ReadPort(const std::optional<std::string> &value, int32_t &port)
{
    if (!value || value->empty())
        return;
    port = SameTextIgnoringCase(std::string_view(*value).substr(0, 3), "com") ? ParseDecimal(value->substr(3))
                                                                              : ParseDecimal(*value);
}

void ReadParity(const std::optional<std::string> &value, char &parity)
{
    if (!value)
        return;
    const std::string lower = LowerCase(*value);
    if (lower.empty() || lower == "none")
        parity = 'N';
    else if (lower == "odd")
        parity = 'O';
    else if (lower == "even")
        parity = 'E';
}

int32_t FlowCode(const std::optional<std::string> &value)
{
    const std::string lower = LowerCase(value.value_or(""));
    return lower == "ctsrts" ? 1 : lower == "dtrdsr" ? 2 : 0;
}

// Returns false at the first bad argument, which is then left in `bad`.
bool ReadCommandLine(ZM32OP &defaults, SettingsState &state, const std::vector<std::string> &args,
                      std::string &bad)
{
    for (const std::string &arg : args) {
        if (arg.empty())
            continue;  // an empty pair of quotes is no argument
        bad = arg;
        if (arg[0] != '-' && arg[0] != '/')
            return false;
        const char letter = arg.size() > 1 ? arg[1] : '\0';
        std::string value = arg.size() > 2 ? arg.substr(2, kMaxOptionValue) : std::string();
        switch (letter) {
        case 'b':
            defaults.baud = ParseDecimal(value);
            break;
        case 'f':
            if (value.size() < 3)
                return false;
            for (char &c : value)
                UpcaseLetter(c);
            defaults.databits = ParseDecimal(value);
            defaults.parity = value[1];
            defaults.stopbits = Lookup(kStopBitsTable, value.substr(2), 2);
            break;
        case 'i':
            state.noSettingsFile = state.noSettingsFile || value == "-";
            state.settingsPath = value;
            break;
        case 'p':
            defaults.port = ParseDecimal(value);
            break;
        default:
            return false;
        }
    }
    return true;
}

std::string ProgramStem(const std::string &programPath)
{
#if defined(_WIN32)
    const size_t slash = programPath.find_last_of("\\/:");
#else
    const size_t slash = programPath.find_last_of('/');
#endif
    const std::string name = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
    return name.substr(0, name.find('.'));
}

}  // namespace

int32_t ComPortNumber(const std::string &name)
{
    if (!SameTextIgnoringCase(std::string_view(name).substr(0, 3), "com") || name.compare(3, 1, "0") == 0)
        return 0;
    const auto number = ReadNumberText(std::string_view(name).substr(3), NumberForm::Decimal().AtMost(9));
    return number ? static_cast<int32_t>(number->magnitude) : 0;
}

bool NamesNoChip(const std::string &name)
{
    return name.empty() || SameTextIgnoringCase(name, "none");
}

void SetRanges(ZM32OP &op, const ChipPart *part, const RangeKeys &keys)
{
    if (part) {
        op.uploadbinstart = 0;
        op.uploadbinbytes = static_cast<int32_t>(std::min<uint64_t>(part->bytes, INT32_MAX));
        op.uploadhexstop = op.uploadbinbytes - 1;
    }
    op.uploadbinstart = keys.uploadbinstart.value_or(op.uploadbinstart);
    op.uploadbinbytes = keys.uploadbinbytes.value_or(op.uploadbinbytes);
    op.uploadhexstop = keys.uploadhexstop.value_or(op.uploadhexstop);
}

RangeKeys ReadRangeKeys(const ProfileFile &file, const std::string &section)
{
    return {ReadHexKey(file.Value(section, "uploadbinstart")), ReadHexKey(file.Value(section, "uploadbinbytes")),
            ReadHexKey(file.Value(section, "uploadhexstop"))};
}

void ReadSettingsFile(ZM32OP &op, const ProfileFile &file, const std::string &section, const ChipTable &chips)
{
    const auto value = [&](const char *key) { return file.Value(section, key); };
    const ChipPart *part = nullptr;
    if (const auto chip = value("chip")) {
        op.chip = NamesNoChip(*chip) ? std::string() : *chip;
        part = chips.Find(op.chip);
    }
    SetRanges(op, part, ReadRangeKeys(file, section));
    ReadPort(value("port"), op.port);
    op.baud = ReadInteger(value("baud")).value_or(op.baud);
    ReadParity(value("parity"), op.parity);
    if (const auto stopbits = value("stopbits"))
        op.stopbits = Lookup(kStopBitsTable, *stopbits, op.stopbits);
    if (const auto databits = value("databits"))
        op.databits = Lookup(kDataBitsTable, *databits, op.databits);
    op.flow = FlowCode(value("flow"));
    op.delayms = ReadInteger(value("delayms")).value_or(op.delayms);
    op.upper = ReadBoolean(value("upper"), op.upper);
    op.uploadoffset = value("uploadoffset").value_or(op.uploadoffset);
    op.uploadoffset = op.uploadoffset.empty() ? "0" : op.uploadoffset.substr(0, 1);
    op.log = value("log").value_or(op.log);
    QualifyInCurrentDir(op.log);
    op.reconnect = ReadBoolean(value("reconnect"), op.reconnect);
    op.programok = value("programok").value_or(op.programok);
    op.verifyok = value("verifyok").value_or(op.verifyok);
    op.timestamps = ReadBoolean(value("timestamps"), op.timestamps);
    op.hexview = ReadBoolean(value("hexview"), op.hexview);

    const std::string helpSection = value("help").value_or("");
    if (!helpSection.empty()) {
        op.helpText.clear();
        for (const std::string &name : file.EntryNames(helpSection))
            op.helpText += name + "\r\n";
    }
}

std::map<int32_t, std::string> ReadPortsSection(const ProfileFile &file)
{
    std::map<int32_t, std::string> devices;
    for (const std::string &name : file.EntryNames("ports")) {
        const std::string device = file.Value("ports", name).value_or("");
        const int32_t port = ComPortNumber(name);
        if (port > 0 && !device.empty() && !devices.count(port))
            devices[port] = device;
    }
    return devices;
}

void LoadSettings(ZM32OP &op, SettingsState &state, const std::vector<std::string> &args,
                  const std::string &programPath, const UsageReporter &reportUsage)
{
    state = SettingsState();
    state.programStem = ProgramStem(programPath);
    state.settingsSection = state.programStem;
    state.settingsPath = state.programStem + ".ini";

    ZM32OP defaults;
    std::string bad;
    if (!ReadCommandLine(defaults, state, args, bad)) {
        const std::string detail = bad.empty() ? std::string() : FormatGuarded(" (\"%s\")", {bad});
        if (reportUsage)
            reportUsage(FormatGuarded(kUsage, {detail}));
        state.commandLineError = true;
    }
    op = defaults;
    if (state.commandLineError || state.noSettingsFile)
        return;

    state.settingsPath = FindSettingsFile(state.settingsPath);
    state.settingsFileMissing = !FileExists(state.settingsPath);
    const ProfileFile file = ProfileFile::Load(state.settingsPath);
    state.chipErrors = ReadChipsSection(file, state.settingsPath, state.chips);
    ReadSettingsFile(op, file, state.settingsSection, state.chips);
    state.fileRanges = ReadRangeKeys(file, state.settingsSection);
    state.portDevices = ReadPortsSection(file);
}
