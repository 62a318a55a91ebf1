#include "board_monitor.h"

#ifdef Q_OS_WIN
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif

BoardMonitor::BoardMonitor(PanelinkApi &api, QObject *parent) : QObject(parent), api_(api) {}

BoardMonitor::~BoardMonitor() {
    stop();
}

bool BoardMonitor::start() {
    if (monitor_ != 0)
        return true;
    monitor_ = api_.monitorOpen(0);
    if (monitor_ == 0)
        return false;
    const intptr_t handle = api_.monitorWaitHandle(monitor_);
    if (handle == -1) {
        api_.monitorClose(monitor_);
        monitor_ = 0;
        return false;
    }
#ifdef Q_OS_WIN
    notifier_ = new QWinEventNotifier(reinterpret_cast<Qt::HANDLE>(handle), this);
    connect(notifier_, &QWinEventNotifier::activated, this, &BoardMonitor::takeEvents);
#else
    notifier_ = new QSocketNotifier(static_cast<qintptr>(handle), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &BoardMonitor::takeEvents);
#endif
    return true;
}

void BoardMonitor::stop() {
    if (notifier_) {
        // Off before the monitor closes its handle; deleted later, as this may run from its signal.
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
    if (monitor_ != 0)
        api_.monitorClose(monitor_);
    monitor_ = 0;
}

void BoardMonitor::takeEvents() {
    if (monitor_ == 0)
        return;
    QList<PanelinkBoardEvent> events;
    PanelinkBoardEvent event{};
    int32_t taken = PANELINK_MONITOR_TIMEOUT;
    while ((taken = api_.monitorNext(monitor_, &event, 0)) == PANELINK_MONITOR_EVENT)
        events.append(event);
    if (taken == PANELINK_MONITOR_CLOSED)
        stop();
    if (!events.isEmpty())
        emit boardsChanged(events);
}
