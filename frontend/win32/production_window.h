// The production panel on the Win32 API: a window of its own beside the main one, over the
// panel's logic. Each field follows the label that names it, as a screen reader pairs them;
// Enter presses "Next chip". Closing it ends a run that is open.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "production_panel_logic.h"

class ProductionWindow : public ProductionPanelView {
public:
    ProductionWindow(HWND owner, MainWindowLogic &main);
    ~ProductionWindow() override;
    ProductionWindow(const ProductionWindow &) = delete;
    ProductionWindow &operator=(const ProductionWindow &) = delete;

    HWND Handle() const { return hwnd_; }
    ProductionPanelLogic logic;

    // Tab, Enter and the other dialog keys: true when `msg` was handled here.
    bool PreTranslate(MSG &msg);
    void Hide();

    // Its window procedure's part (window_class.h).
    bool Ready() const { return word_ != nullptr; }
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

    // The view
    void ShowPanel() override;
    std::string FieldText(PanelField field) const override;
    void SetFieldText(PanelField field, const std::string &text) override;
    void EnableFields(bool on) override;
    void EnableButton(PanelButton button, bool on) override;
    void SetCounters(const std::string &text) override;
    void SetResult(const std::string &word, const std::string &detail, PanelVerdict verdict) override;
    void FocusNextChip() override;

private:
    void BuildControls();
    void Layout();

    HWND hwnd_ = nullptr;
    std::map<PanelField, HWND> fields_;
    std::map<PanelButton, HWND> buttons_;
    HWND counters_ = nullptr;
    HWND detail_ = nullptr;
    HWND word_ = nullptr;
    HFONT uiFont_ = nullptr;
    HFONT wordFont_ = nullptr;
    HBRUSH verdictBrush_ = nullptr;
    PanelVerdict verdict_ = PanelVerdict::None;
    UINT dpi_ = 96;
};
