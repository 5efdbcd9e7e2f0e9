// The line settings dialog (etc -> settings...): its fields as both windows show them, filled
// from the settings in use and the ports present, and the settings file's edits that OK makes.
#pragma once

#include <string>
#include <vector>

#include "serial_ports.h"
#include "settings.h"
#include "window_layout.h"

struct SettingsDialog {
    // A list entry: what the list shows, and what the field holds when it is chosen.
    struct Choice {
        std::string shown;
        std::string value;
    };
    // Field labels, which are also the controls' accessible names.
    static constexpr const char *kCaption = "settings";
    static constexpr const char *kPortLabel = "Port";
    static constexpr const char *kBaudLabel = "Baud rate";
    static constexpr const char *kDataBitsLabel = "Data bits";
    static constexpr const char *kParityLabel = "Parity";
    static constexpr const char *kStopBitsLabel = "Stop bits";
    static constexpr const char *kFlowLabel = "Flow";
    static constexpr const char *kDelayLabel = "Pause after each character (ms)";
    static constexpr const char *kReconnectLabel = "Reconnect";
    static constexpr const char *kChipLabel = "Chip";
    static constexpr const char *kUploadStartLabel = "Upload start (hex)";
    static constexpr const char *kUploadBytesLabel = "Upload bytes (hex)";
    static constexpr const char *kHexStopLabel = "Hex upload stop (hex)";
    static constexpr const char *kOkCaption = "OK";
    static constexpr const char *kCancelCaption = "Cancel";

    // Editable lists: a port or a rate that is not listed can be typed.
    std::vector<Choice> ports;
    std::string port;
    std::vector<std::string> bauds;
    std::string baud;
    // Fixed lists, in the settings file's own words.
    std::vector<std::string> dataBitsChoices{"5", "6", "7", "8"};
    std::string dataBits;
    std::vector<std::string> parities{"none", "even", "odd"};
    std::string parity;
    std::vector<std::string> stopBitsChoices{"1", "1.5", "2"};
    std::string stopBits;
    std::vector<std::string> flows{"none", "ctsrts", "dtrdsr"};
    std::string flow;
    std::string delayMs;
    bool reconnect = true;
    // The part in the socket ("none", or a part of `chipTable`, or typed); the upload ranges,
    // which follow a part when it is chosen.
    ChipTable chipTable = ChipTable::None();
    std::vector<std::string> chips;
    std::string chip;
    std::string uploadStart;
    std::string uploadBytes;
    std::string hexStop;
    // The ranges as numbers (those in use, or the chosen part's), which the three fields show;
    // a field the user has typed into (SettingsFieldChanged) is read from its text instead.
    ZM32OP ranges;
    bool startTyped = false, bytesTyped = false, stopTyped = false;
};

// The dialog's fields, top to bottom.
enum class SettingsFieldId { Port, Baud, DataBits, Parity, StopBits, Flow, Delay, Reconnect, Chip, UploadStart, UploadBytes, HexStop };

// One field of the dialog as a window draws it: which it is, its label, what kind of control,
// what it lists and the value it edits.
struct SettingsField {
    enum class Kind { EditableList, List, Edit, Check };
    SettingsFieldId id;
    const char *label;
    Kind kind;
    std::vector<std::string> choices;
    std::string *text;  // all but Check
    bool *checked;      // Check
    bool wide;          // its entries are long (the ports' descriptions)
};
// The fields of `dialog`, top to bottom, bound to it. A fixed list also lists a value it
// lacks, so that the value shows as it is and OK names it rather than changing it.
std::vector<SettingsField> SettingsFields(SettingsDialog &dialog);

// Where the dialog's controls go, in dialog units, for a window that places them itself: each
// field's label (a check box carries its own) and the field, a list as high as its open list;
// then OK and Cancel.
struct SettingsDialogLayout {
    struct Row {
        Box label, field;
    };
    std::vector<Row> rows;  // as `fields`
    Box ok, cancel;
    int width = 0, height = 0;
};
SettingsDialogLayout LayOutSettingsDialog(const std::vector<SettingsField> &fields);

// The field `id` has a new value, which the host has put into its text: the fields that follow
// it are set. True when any other field changed, for the host to show again.
bool SettingsFieldChanged(SettingsDialog &dialog, SettingsFieldId id);

// The dialog for the settings `op` (port `op.port`, whose device `device` is) with the ports
// present `listed` (each with its port number where one opens it) and the parts `chips`.
SettingsDialog MakeSettingsDialog(const ZM32OP &op, const std::string &device,
                                  const std::vector<SerialPortInfo> &listed, const ChipTable &chips = ChipTable());
// What the Port field holds: a chosen entry's value, else the text as typed.
std::string ChosenPort(const SettingsDialog &dialog);
// Takes the dialog's line settings, chip and ranges (not the port) into `op`; false, with the field and why in
// `error`, when a field holds nothing the settings can take (`op` is then unchanged).
bool ReadSettingsDialog(const SettingsDialog &dialog, ZM32OP &op, std::string &error);
