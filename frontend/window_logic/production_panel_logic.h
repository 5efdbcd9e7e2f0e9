// What the production panel does, whatever draws it: a run of chips from the window, on the
// same run engine as zmcli's batch. Its fields are kept in the user's settings file, in a
// section of their own; Start checks them all before anything is sent, then downloads the
// image; each "Next chip" does one chip; End gives the terminal back.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chip_run.h"
#include "production_panel_view.h"
#include "settings_dialog.h"

class MainWindowLogic;

class ProductionPanelLogic {
public:
    ProductionPanelLogic(MainWindowLogic &main, ProductionPanelView &view);
    ~ProductionPanelLogic();
    ProductionPanelLogic(const ProductionPanelLogic &) = delete;
    ProductionPanelLogic &operator=(const ProductionPanelLogic &) = delete;

    static constexpr const char *kCaption = "production";
    static constexpr const char *kSection = "production";
    static constexpr const char *kStartCaption = "Start";
    static constexpr const char *kNextChipCaption = "Next chip";
    static constexpr const char *kStopCaption = "Stop";
    static constexpr const char *kEndCaption = "End";
    static constexpr const char *kBrowseCaption = "Browse\u2026";

    // A field as a window draws it: its label (also its accessible name), the control's kind,
    // what a list offers, its key in the settings section, whether a browse button follows.
    struct Field {
        PanelField id;
        const char *label;
        SettingsField::Kind kind;
        std::vector<std::string> choices;
        const char *key;
        bool browse;
    };
    // Top to bottom.
    static const std::vector<Field> &Fields();
    static const Field &FieldOf(PanelField id);
    // The browse button that follows `field`.
    static PanelButton BrowseButtonOf(PanelField field);
    // The buttons under the fields, left to right; Enter presses the default one.
    struct RowButton {
        PanelButton id;
        const char *caption;
        bool isDefault;
    };
    static const std::vector<RowButton> &RowButtons();

    // The result word's background (0xRRGGBB) for a verdict, under white letters.
    static uint32_t VerdictBackground(PanelVerdict verdict) { return verdict == PanelVerdict::Pass ? 0x1b7f2a : 0xb00020; }

    // The menu's "production…": the panel shows with the values kept, or comes to the front.
    void Open();
    // The buttons, or the one `button`.
    void Press(PanelButton button);
    void Browse(PanelField field);
    void Start();
    void NextChip();
    void Stop();
    void End();
    // The panel's own close: a run under way ends first.
    void Closed();

    // A run is open (Start done, End not yet): the main window asks before it closes.
    bool RunOpen() const { return run_ != nullptr; }
    bool ChipUnderWay() const { return chipUnderWay_; }
    // The main window is asked to close: true when it may (no run, or the user agreed to end it).
    bool MayCloseWindow();

private:
    std::string Value(PanelField field) const { return values_[size_t(field)]; }
    void ReadFields();
    void ShowFields();
    void LoadKept();
    void Keep();
    // The plan from the fields; false with the bad field named in `error`.
    bool MakePlan(RunPlan &plan, int64_t &count, std::string &error) const;
    void EnableButtons();
    void ShowCounters();
    void Refuse(const std::string &text);
    void EndRun();

    MainWindowLogic &main_;
    ProductionPanelView &view_;
    std::array<std::string, kPanelFieldCount> values_;
    bool loaded_ = false;
    bool chipUnderWay_ = false;
    bool closeAgreed_ = false;
    int64_t count_ = 0;  // chips to pass; 0: no end but End
    std::unique_ptr<RunPlan> plan_;
    std::unique_ptr<RunBook> book_;
    std::unique_ptr<ChipRun> run_;
    std::string lastSerial_;
};
