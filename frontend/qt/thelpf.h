// The help window on Qt: draws what the help window's logic says.
#pragma once

#include <QWidget>
#include <string>

#include "help_window_logic.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

class Thelpf : public QWidget, public HelpWindowView {
    Q_OBJECT
public:
    explicit Thelpf(QWidget *parent = nullptr);

    // Components
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheet_help = nullptr;
    QPlainTextEdit *RichEdit_TeciFake = nullptr;
    QWidget *TabSheet_ini = nullptr;
    QPlainTextEdit *RichEdit_teci = nullptr;
    QWidget *Panel_Bottom = nullptr;
    QPushButton *Button_Search = nullptr;
    QLineEdit *Edit1 = nullptr;

    HelpWindowLogic logic{*this};

    // The view
    void SetPaneText(int page, const std::string &text) override;
    void SetTabCaption(int page, const std::string &caption) override;
    void SetCurrentPage(int page) override;
    int CurrentPage() const override;
    void SelectInPane(int page, size_t from, size_t to) override;
    void FocusPane(int page) override;
    void FocusSearchBox() override;
    std::string SearchText() const override;
    void EnableSearchButton(bool on) override;
    void ShowWindow() override;
    void RaiseWindow() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // The window sees every key of its controls first.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPlainTextEdit *Pane(int page) const { return page == 0 ? RichEdit_TeciFake : RichEdit_teci; }
};
