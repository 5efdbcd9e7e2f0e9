#include "settings_dialog.h"

#include <algorithm>
#include <cstdint>

#include "image/hex_text.h"
#include "image/number_text.h"

namespace {

const std::vector<std::string> kBauds{"300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};

// A whole number of at most nine digits, blanks around it allowed; -1 for anything else.
int32_t ReadDecimalField(const std::string &text)
{
    const auto number = ReadNumberText(text, NumberForm::Decimal().Blanks().AtMost(9));
    return number ? static_cast<int32_t>(number->magnitude) : -1;
}

// At most eight hex digits, one "$" before them and blanks around them allowed, that a
// setting holds; -1 for anything else.
int64_t ReadHexField(const std::string &text)
{
    const auto number = ReadNumberText(text, NumberForm::Hex().Dollar().Blanks().AtMost(8));
    return number && number->magnitude <= INT32_MAX ? int64_t(number->magnitude) : -1;
}

// The ranges kept as numbers, shown in hex; no field holds anything typed then.
void ShowRanges(SettingsDialog &dialog)
{
    const ZM32OP &op = dialog.ranges;
    dialog.uploadStart = HexUpper(uint32_t(op.uploadbinstart), 1);
    dialog.uploadBytes = HexUpper(uint32_t(op.uploadbinbytes), 1);
    dialog.hexStop = HexUpper(uint32_t(op.uploadhexstop), 1);
    dialog.startTyped = dialog.bytesTyped = dialog.stopTyped = false;
}

std::string PortShown(const SerialPortInfo &info)
{
    std::string shown = (info.port > 0 ? "COM" + std::to_string(info.port) + "  " : std::string()) + info.device;
    const std::string summary = PortSummary(info);
    if (!summary.empty())
        shown += "  " + summary;
    if (!info.stableName.empty())
        shown += "  (" + info.stableName + ")";
    if (!info.present)
        shown += "  (not present)";
    return shown;
}

}  // namespace

SettingsDialog MakeSettingsDialog(const ZM32OP &op, const std::string &device, const std::vector<SerialPortInfo> &listed,
                                  const ChipTable &chips)
{
    SettingsDialog dialog;
    for (const SerialPortInfo &info : listed)
        dialog.ports.push_back({PortShown(info), info.stableName.empty() ? info.device : info.stableName});
    dialog.port = device.empty() ? "COM" + std::to_string(op.port) : device;
    dialog.bauds = kBauds;
    dialog.baud = std::to_string(op.baud);
    dialog.dataBits = std::to_string(op.databits);
    const char parity = op.parity == 'E' || op.parity == 'e' ? 'E' : op.parity == 'O' || op.parity == 'o' ? 'O' : 'N';
    dialog.parity = parity == 'E' ? "even" : parity == 'O' ? "odd" : "none";
    dialog.stopBits = op.stopbits == 2 ? "2" : op.stopbits == 3 ? "1.5" : "1";
    dialog.flow = op.flow == 1 ? "ctsrts" : op.flow == 2 ? "dtrdsr" : "none";
    dialog.delayMs = std::to_string(op.delayms);
    dialog.reconnect = op.reconnect;
    dialog.chipTable = chips;
    dialog.chips.push_back("none");
    for (const ChipPart &part : chips.Parts())
        dialog.chips.push_back(part.name);
    dialog.chip = NamesNoChip(op.chip) ? "none" : op.chip;
    dialog.ranges = op;
    ShowRanges(dialog);
    return dialog;
}

bool SettingsFieldChanged(SettingsDialog &dialog, SettingsFieldId id)
{
    dialog.startTyped = dialog.startTyped || id == SettingsFieldId::UploadStart;
    dialog.bytesTyped = dialog.bytesTyped || id == SettingsFieldId::UploadBytes;
    dialog.stopTyped = dialog.stopTyped || id == SettingsFieldId::HexStop;
    if (id != SettingsFieldId::Chip)
        return false;
    const ChipPart *part = NamesNoChip(dialog.chip) ? nullptr : dialog.chipTable.Find(dialog.chip);
    if (!part)
        return false;
    SetRanges(dialog.ranges, part, {});
    ShowRanges(dialog);
    return true;
}

std::vector<SettingsField> SettingsFields(SettingsDialog &d)
{
    using Kind = SettingsField::Kind;
    std::vector<std::string> ports;
    for (const SettingsDialog::Choice &choice : d.ports)
        ports.push_back(choice.shown);
    std::vector<SettingsField> fields{
        {SettingsFieldId::Port, SettingsDialog::kPortLabel, Kind::EditableList, ports, &d.port, nullptr, true},
        {SettingsFieldId::Baud, SettingsDialog::kBaudLabel, Kind::EditableList, d.bauds, &d.baud, nullptr, false},
        {SettingsFieldId::DataBits, SettingsDialog::kDataBitsLabel, Kind::List, d.dataBitsChoices, &d.dataBits, nullptr, false},
        {SettingsFieldId::Parity, SettingsDialog::kParityLabel, Kind::List, d.parities, &d.parity, nullptr, false},
        {SettingsFieldId::StopBits, SettingsDialog::kStopBitsLabel, Kind::List, d.stopBitsChoices, &d.stopBits, nullptr, false},
        {SettingsFieldId::Flow, SettingsDialog::kFlowLabel, Kind::List, d.flows, &d.flow, nullptr, false},
        {SettingsFieldId::Delay, SettingsDialog::kDelayLabel, Kind::Edit, {}, &d.delayMs, nullptr, false},
        {SettingsFieldId::Reconnect, SettingsDialog::kReconnectLabel, Kind::Check, {}, nullptr, &d.reconnect, false},
        {SettingsFieldId::Chip, SettingsDialog::kChipLabel, Kind::EditableList, d.chips, &d.chip, nullptr, false},
        {SettingsFieldId::UploadStart, SettingsDialog::kUploadStartLabel, Kind::Edit, {}, &d.uploadStart, nullptr, false},
        {SettingsFieldId::UploadBytes, SettingsDialog::kUploadBytesLabel, Kind::Edit, {}, &d.uploadBytes, nullptr, false},
        {SettingsFieldId::HexStop, SettingsDialog::kHexStopLabel, Kind::Edit, {}, &d.hexStop, nullptr, false},
    };
    for (SettingsField &field : fields) {
        std::vector<std::string> &choices = field.choices;
        if (field.kind == Kind::List && !field.text->empty() &&
            std::find(choices.begin(), choices.end(), *field.text) == choices.end())
            choices.push_back(*field.text);
    }
    return fields;
}

SettingsDialogLayout LayOutSettingsDialog(const std::vector<SettingsField> &fields)
{
    // The labels' column, the fields', a row's height and the margin.
    constexpr int kMargin = 7, kLabelWidth = 110, kFieldX = kMargin + kLabelWidth + 4;
    constexpr int kRow = 17, kFieldHeight = 12, kPortWidth = 190, kFieldWidth = 80, kOpenListHeight = 120;
    constexpr int kButtonWidth = 50, kButtonHeight = 14;
    SettingsDialogLayout l;
    l.width = kFieldX + kPortWidth + kMargin;
    int y = kMargin;
    for (const SettingsField &f : fields) {
        if (f.kind == SettingsField::Kind::Check)
            l.rows.push_back({{}, {kFieldX, y + 1, kLabelWidth, 10}});
        else
            l.rows.push_back({{kMargin, y + 2, kLabelWidth, 8},
                              {kFieldX, y, f.wide ? kPortWidth : kFieldWidth,
                               f.kind == SettingsField::Kind::Edit ? kFieldHeight : kOpenListHeight}});
        y += kRow;
    }
    y += 4;
    l.cancel = {l.width - kMargin - kButtonWidth, y, kButtonWidth, kButtonHeight};
    l.ok = {l.cancel.x - 4 - kButtonWidth, y, kButtonWidth, kButtonHeight};
    l.height = l.ok.Bottom() + kMargin;
    return l;
}

std::string ChosenPort(const SettingsDialog &dialog)
{
    for (const SettingsDialog::Choice &choice : dialog.ports)
        if (choice.shown == dialog.port)
            return choice.value;
    return dialog.port;
}

bool ReadSettingsDialog(const SettingsDialog &dialog, ZM32OP &op, std::string &error)
{
    const auto index = [](const std::vector<std::string> &choices, const std::string &value) {
        return int(std::find(choices.begin(), choices.end(), value) - choices.begin());
    };
    const int32_t baud = ReadDecimalField(dialog.baud);
    const int32_t delay = ReadDecimalField(dialog.delayMs);
    const int dataBits = index(dialog.dataBitsChoices, dialog.dataBits);
    const int parity = index(dialog.parities, dialog.parity);
    const int stopBits = index(dialog.stopBitsChoices, dialog.stopBits);
    const int flow = index(dialog.flows, dialog.flow);
    const bool noChip = NamesNoChip(dialog.chip);
    const ChipPart *part = noChip ? nullptr : dialog.chipTable.Find(dialog.chip);
    const ZM32OP &shown = dialog.ranges;
    const int64_t start = dialog.startTyped ? ReadHexField(dialog.uploadStart) : shown.uploadbinstart;
    const int64_t bytes = dialog.bytesTyped ? ReadHexField(dialog.uploadBytes) : shown.uploadbinbytes;
    const int64_t stop = dialog.stopTyped ? ReadHexField(dialog.hexStop) : shown.uploadhexstop;
    const struct {
        const char *label;
        const std::string &value;
        bool good;
    } fields[] = {
        {SettingsDialog::kBaudLabel, dialog.baud, baud > 0},
        {SettingsDialog::kDataBitsLabel, dialog.dataBits, dataBits < 4},
        {SettingsDialog::kParityLabel, dialog.parity, parity < 3},
        {SettingsDialog::kStopBitsLabel, dialog.stopBits, stopBits < 3},
        {SettingsDialog::kFlowLabel, dialog.flow, flow < 3},
        {SettingsDialog::kDelayLabel, dialog.delayMs, delay >= 0},
        {SettingsDialog::kChipLabel, dialog.chip, noChip || part},
        {SettingsDialog::kUploadStartLabel, dialog.uploadStart, start >= 0},
        {SettingsDialog::kUploadBytesLabel, dialog.uploadBytes, bytes > 0},
        {SettingsDialog::kHexStopLabel, dialog.hexStop, stop >= 0},
    };
    for (const auto &field : fields) {
        if (!field.good) {
            error = std::string(field.label) + ": \"" + field.value + "\" is not a setting";
            return false;
        }
    }
    op.baud = baud;
    op.databits = 5 + dataBits;
    op.parity = "NEO"[parity];
    op.stopbits = stopBits == 0 ? 0 : stopBits == 1 ? 3 : 2;
    op.flow = flow;
    op.delayms = delay;
    op.reconnect = dialog.reconnect;
    op.chip = part ? part->name : std::string();
    op.uploadbinstart = int32_t(start);
    op.uploadbinbytes = int32_t(bytes);
    op.uploadhexstop = int32_t(stop);
    return true;
}
