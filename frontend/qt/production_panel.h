// The production panel on Qt: a window of its own beside the main one, so that the terminal
// stays in sight. Its fields carry their labels as accessible names, its buttons their captions.
#pragma once

#include <QDialog>
#include <map>

#include "production_panel_logic.h"

class QLabel;
class QPushButton;
class QWidget;

class ProductionPanel : public QDialog, public ProductionPanelView {
public:
    ProductionPanel(MainWindowLogic &main, QWidget *parent);

    ProductionPanelLogic logic;

    // The view
    void ShowPanel() override;
    std::string FieldText(PanelField field) const override;
    void SetFieldText(PanelField field, const std::string &text) override;
    void EnableFields(bool on) override;
    void EnableButton(PanelButton button, bool on) override;
    void SetCounters(const std::string &text) override;
    void SetResult(const std::string &word, const std::string &detail, PanelVerdict verdict) override;
    void FocusNextChip() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    // Escape would close it like a dialog: the run ends by End only.
    void reject() override {}

private:
    std::map<PanelField, QWidget *> fields_;
    std::map<PanelButton, QPushButton *> buttons_;
    QLabel *counters_ = nullptr;
    QLabel *word_ = nullptr;
    QLabel *detail_ = nullptr;
};
