// The application's idle notification: runs a handler whenever the event loop is about to wait.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class IdleNotifier : public QObject {
    Q_OBJECT
public:
    explicit IdleNotifier(QObject *parent = nullptr);
    // An empty handler means none. The loop wakes only for its events (a received byte
    // wakes it through the line's socket notifier), not for the handler.
    void SetHandler(std::function<void()> handler);
    // While a handler is installed, also wakes the loop every `ms` (0: never), for work
    // that no event announces, such as looking for a lost line again.
    void SetWakeInterval(int ms);
    bool HasHandler() const { return bool(handler_); }

private:
    void OnAboutToBlock();
    std::function<void()> handler_;
    QTimer wakeTimer_;
    bool running_ = false;
};
