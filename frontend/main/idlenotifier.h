// The application's idle notification: runs a handler whenever the event loop is about to wait.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class IdleNotifier : public QObject {
    Q_OBJECT
public:
    explicit IdleNotifier(QObject *parent = nullptr);
    // An empty handler means none. While one is installed a 10 ms timer wakes the loop,
    // so that bytes that arrive without any window message are still shown promptly.
    void SetHandler(std::function<void()> handler);
    bool HasHandler() const { return bool(handler_); }

private:
    void OnAboutToBlock();
    std::function<void()> handler_;
    QTimer wakeTimer_;
    bool running_ = false;
};
