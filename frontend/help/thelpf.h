// The help window: the program's help file and the settings file's description, on two tabs,
// with a forward search in the tab being shown.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

class Thelpf : public QWidget {
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

    bool shownFlag = false;
    int32_t searchFrom = 0;
    // Where the two help files are read from; empty means the program's own directory.
    std::string helpDir;

    // Event handlers
    void FormShow();
    void FormClose();
    void Button_SearchClick();
    void PageControl1Change();
    void Edit1Change();
    // Both return true when they consumed the key.
    bool Edit1KeyDown(int key);
    bool FormKeyDown(int key);

    // Shows "couldn't load <path>" unless the file's text replaces it.
    static void LoadTextInto(QPlainTextEdit *pane, const std::string &path);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // The window sees every key of its controls first.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::string HelpFilePath(const std::string &name) const;
    QPlainTextEdit *CurrentPane() const;
};
