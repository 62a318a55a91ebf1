// The library's board monitor in a Qt event loop: waits on the monitor's wait handle and, each
// time boards arrive or leave, takes every queued event and announces them together.
#pragma once

#include <QList>
#include <QObject>
#include <QtGlobal>

#include "panelink_api.h"

#ifdef Q_OS_WIN
class QWinEventNotifier;
#else
class QSocketNotifier;
#endif

class BoardMonitor : public QObject {
    Q_OBJECT
  public:
    explicit BoardMonitor(PanelinkApi &api, QObject *parent = nullptr);
    ~BoardMonitor() override;

    // Opens the monitor (no snapshot: only changes from now on). False when none could be had.
    bool start();
    // Closes it; events still queued are dropped.
    void stop();
    bool isRunning() const { return monitor_ != 0; }

  signals:
    // The events taken in one turn of the event loop, in the order they happened.
    void boardsChanged(const QList<PanelinkBoardEvent> &events);

  private slots:
    void takeEvents();

  private:
#ifdef Q_OS_WIN
    using WaitNotifier = QWinEventNotifier;
#else
    using WaitNotifier = QSocketNotifier;
#endif

    PanelinkApi &api_;
    uint32_t monitor_ = 0;
    WaitNotifier *notifier_ = nullptr;
};
