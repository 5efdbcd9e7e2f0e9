// Shared pieces of the window tests: a pseudo-terminal the test plays the programmer on,
// running the event loop until a condition holds, and answering message boxes.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include <QAction>
#include <QLabel>
#include <QPushButton>

#include "file_bytes.h"
#include "pty_pair.h"
#include "session_probe.h"
#include "temp_dir.h"
#include "terminalpane.h"
#include "tform_main.h"
#include "thelpf.h"
#include "window_logic_probe.h"

// The tests' look inside the window: the state that only its own handlers change.
class FormProbe {
public:
    static IdleNotifier &Idle(TForm_main &form) { return form.idle_; }
    static MainWindowLogic &Logic(TForm_main &form) { return form.logic_; }
    static SessionHost &Host(TForm_main &form) { return WindowLogicProbe::Host(form.logic_); }
    static bool CloseAfterTransfer(TForm_main &form) { return WindowLogicProbe::CloseAfterTransfer(form.logic_); }
    static void ShowEcho(TForm_main &form, const std::string &text) { Host(form).ShowEcho(text); }
    static void SetReceiveDisplay(TForm_main &form, bool on) { WindowLogicProbe::SetReceiveDisplay(form.logic_, on); }
    static void HelpClick(TForm_main &form) { form.logic_.OnCommand(CommandId::Help); }
};

// A control or menu item of the window by its name (the help window: its class).
template <typename T>
T *Child(const QObject &form, const char *name)
{
    T *child = std::is_same_v<T, Thelpf> ? form.findChild<T *>() : form.findChild<T *>(name);
    if (!child)
        qFatal("no %s in the window", name);
    return child;
}

// A dialog's field by its accessible name, as a person or a screen reader finds it.
template <typename T>
T *Field(const QObject *dialog, const char *name)
{
    for (T *field : dialog->findChildren<T *>())
        if (field->accessibleName() == name)
            return field;
    return nullptr;
}

namespace zmtest {

// Runs the event loop (so the idle notification fires) until `done` or the time is up.
inline bool PumpUntil(const std::function<bool()> &done, int ms = 10000)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > ms)
            loop.quit();
    });
    tick.start(5);
    if (!done())
        loop.exec();
    return done();
}

inline void PumpFor(int ms)
{
    PumpUntil([] { return false; }, ms);
}

// Answers every message box that comes up, and keeps its text. It looks when a box is shown,
// not on a timer, so that it wakes no wait of the window (the benchmarks measure those).
class BoxAnswerer : public QObject {
public:
    explicit BoxAnswerer(bool answerYes = true) : answerYes_(answerYes) { qApp->installEventFilter(this); }
    ~BoxAnswerer() override { qApp->removeEventFilter(this); }
    const std::vector<std::string> &Texts() const { return texts_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            if (auto *box = qobject_cast<QMessageBox *>(watched))
                QTimer::singleShot(0, box, [this, box] { Answer(box); });
        return false;
    }

private:
    void Answer(QMessageBox *box)
    {
        if (!box->isVisible())
            return;
        texts_.push_back(box->text().toStdString());
        QAbstractButton *button = box->button(answerYes_ ? QMessageBox::Yes : QMessageBox::No);
        if (!button)
            button = box->buttons().value(0);
        if (button)
            button->click();
        else
            box->done(0);
    }
    bool answerYes_;
    std::vector<std::string> texts_;
};

// A pseudo-terminal: zm32 opens the device side through ZMHW_COM<n>, the test is the programmer.
class PtyPeer {
public:
    PtyPeer() : number_(NextNumber()), mapping_(number_, line_.Path()) {}

    int Number() const { return number_; }
    std::string PortArg() const { return "-p" + std::to_string(number_); }
    const std::string &Path() const { return line_.Path(); }
    int Master() const { return line_.Master(); }
    int Slave() const { return line_.Slave(); }

    void Write(const std::string &bytes) const { line_.PeerWrite(bytes); }

    // What zm32 has sent: up to `count` bytes, pumping the event loop while waiting.
    std::string Read(size_t count, int ms = 5000) const
    {
        std::string got;
        PumpUntil([&] {
            pollfd p{line_.Master(), POLLIN, 0};
            while (got.size() < count && poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
                char c;
                if (read(line_.Master(), &c, 1) != 1)
                    break;
                got += c;
            }
            return got.size() >= count;
        }, ms);
        return got;
    }

private:
    static int NextNumber()
    {
        static int next = 11;
        return next++;
    }

    int number_;
    PtyPair line_;
    ComMapping mapping_;
};

inline std::string ZmPath() { return std::string(ZM_BIN_DIR) + "/zm32"; }

// A main window on `args`, shown at a fixed size so that the pane wraps the same everywhere.
inline std::unique_ptr<TForm_main> MakeForm(const std::vector<std::string> &args)
{
    auto form = std::make_unique<TForm_main>(args, ZmPath());
    form->resize(680, 440);
    form->show();
    return form;
}

// Starts the session on a pty peer (with no settings file unless `extra` names one), and
// waits for terminal mode.
inline std::unique_ptr<TForm_main> StartOn(const PtyPeer &peer, std::vector<std::string> extra = {})
{
    std::vector<std::string> args{peer.PortArg()};
    bool namesFile = false;
    for (const auto &a : extra)
        namesFile = namesFile || a.rfind("-i", 0) == 0;
    if (!namesFile)
        args.push_back("-i-");
    args.insert(args.end(), extra.begin(), extra.end());
    auto form = MakeForm(args);
    PumpUntil([&] { return form->GetSession().IsOpen(); });
    return form;
}

inline std::string PaneText(const TForm_main &form)
{
    return Child<TerminalPane>(form, "RichEdit_Main")->toPlainText().toStdString();
}

} // namespace zmtest
