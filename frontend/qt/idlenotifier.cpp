#include "idlenotifier.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

IdleNotifier::IdleNotifier(QObject *parent) : QObject(parent)
{
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &IdleNotifier::OnAboutToBlock);
}

void IdleNotifier::SetHandler(std::function<void()> handler)
{
    handler_ = std::move(handler);
    SetWakeInterval(wakeTimer_.interval());
}

// Asked again with what it has, it changes nothing: a running wake timer is not restarted.
void IdleNotifier::SetWakeInterval(int ms)
{
    const bool wake = handler_ && ms > 0;
    if (ms == wakeTimer_.interval() && wake == wakeTimer_.isActive())
        return;
    wakeTimer_.setInterval(ms);
    if (wake)
        wakeTimer_.start();
    else
        wakeTimer_.stop();
}

// The handler may open a modal box, whose own loop is about to block too: it is not run
// again inside itself.
void IdleNotifier::OnAboutToBlock()
{
    if (running_ || !handler_)
        return;
    running_ = true;
    // A copy: the handler may install another one, which would destroy it while it runs.
    const std::function<void()> handler = handler_;
    handler();
    running_ = false;
}
