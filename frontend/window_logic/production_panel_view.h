// What the production panel's logic asks of a window: labelled fields, five buttons, the
// counters, and the last chip's result in large letters. Texts are UTF-8.
#pragma once

#include <string>

// The fields, top to bottom (ProductionPanelLogic::Fields describes each).
enum class PanelField {
    ImageFile,
    Chip,
    SerialAddress,
    SerialBytes,
    SerialFormat,
    NextSerial,
    SerialStep,
    LastSerial,
    LogFile,
    Count,
};
constexpr int kPanelFieldCount = int(PanelField::Count) + 1;

enum class PanelButton { BrowseImage, BrowseLog, Start, NextChip, Stop, End };

// How the result word is drawn: the word is always there, a colour may help.
enum class PanelVerdict { None, Pass, Fail };

class ProductionPanelView {
public:
    virtual ~ProductionPanelView() = default;

    // Shows the panel modeless beside the main window, or brings it to the front.
    virtual void ShowPanel() = 0;
    virtual std::string FieldText(PanelField field) const = 0;
    virtual void SetFieldText(PanelField field, const std::string &text) = 0;
    // The fields can be edited (between runs) or not (during one).
    virtual void EnableFields(bool on) = 0;
    virtual void EnableButton(PanelButton button, bool on) = 0;
    // "passed N, failed M" and the serial given last.
    virtual void SetCounters(const std::string &text) = 0;
    // The result word (PASS, FAIL, or empty) and the line under it (the programmer's answer).
    virtual void SetResult(const std::string &word, const std::string &detail, PanelVerdict verdict) = 0;
    // Enter presses "Next chip" and the keyboard is on it.
    virtual void FocusNextChip() = 0;
};
