// What the window shows, without the window: the boards of the latest detection, the board
// selected, the input page, the live input states with the encoder's pulse count, and the
// period between the board's reports. The session polls the selected board from its own timer
// and announces every change by a signal; it owns no widget. Once it follows the boards, it
// detects anew by itself whenever a board arrives or leaves, keeping the selected board.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <QObject>
#include <QTimer>
#include <QtGlobal>

#include "board_monitor.h"
#include "encoder_count.h"
#include "panelink_api.h"

class InputSession : public QObject {
    Q_OBJECT
  public:
    // Indicators on one input page (8 rows of 8).
    static constexpr int kPageInputs = 64;
    // Records one detection can fill.
    static constexpr int kDeviceSlots = PANELINK_MAX_DEVICES;
    // Bytes of the buffer handed to the library's poll: its input states and one spare.
    static constexpr int kInputBufferSize = PANELINK_INPUT_STATES_SIZE + 1;
    static constexpr int kPollIntervalMs = 10;
    // Polls between two announcements of the report period (one second).
    static constexpr int kPollsPerPeriodReport = 1000 / kPollIntervalMs;
    // The period announced until two reports have arrived, and for boards without inputs.
    static constexpr qint64 kUnknownPeriod = -1;

    // A monotonic clock in nanoseconds.
    using Clock = std::function<qint64()>;

    explicit InputSession(PanelinkApi &api, QObject *parent = nullptr);
    // Closes the boards still open.
    ~InputSession() override;

    // Records of the latest detection.
    int deviceCount() const;
    const DeviceRecord &device(int index) const { return records_.at(index); }
    int selectedDevice() const { return selected_; }
    // The input page shown, counted from 0: page p holds inputs 64 * p + 1 to 64 * p + 64.
    int page() const { return page_; }
    int firstInput() const { return page_ * kPageInputs + 1; }
    // Bit i set: indicator i shows its input on.
    quint64 litIndicators() const { return lit_; }
    EncoderCount count() const { return count_; }
    bool isPolling() const { return pollTimer_.isActive(); }
    int pollInterval() const { return pollTimer_.interval(); }
    // False while the selected board's polls fail (as when it has been unplugged).
    bool isResponding() const { return responding_; }

    void setClock(Clock clock) { clock_ = std::move(clock); }

    // Opens the library's board monitor and waits on it in the event loop: whenever boards
    // arrive or leave, the session detects anew once the events at hand are taken, as detect()
    // does, but keeps the selected board selected while it is present. The selected board's
    // polls stop as soon as its departure is known. False when no monitor could be opened: the
    // boards are then detected only on request.
    bool followBoards();
    bool isFollowing() const { return monitor_.isRunning(); }
    // Closes the monitor; a detection already due still runs.
    void stopFollowing();

  public slots:
    // Stops polling, closes the boards of the previous detection and detects anew; every board
    // found is shown in turn, then the first one is selected. True when a board was found.
    bool detect();
    // Shows board `index` and polls it from now on, stepping the page back by one (and to the
    // first page if the board has fewer inputs). An index without a record changes nothing.
    void select(int index);
    // The previous page, never before the first; the first page when the board's inputs do
    // not reach the page. Redraws the page even when it stays, as the next page does.
    void previousPage();
    // The next page while the board has inputs beyond the current one.
    void nextPage();
    // Draws the current page anew: no encoder input chosen, the count at zero, and every
    // input taken as off, so that an input already on counts at the next report.
    void drawPage();
    // The position on the page of the encoder's clockwise and counter-clockwise inputs; -1
    // for none.
    void setClockwiseInput(int position) { clockwise_ = position; }
    void setCounterClockwiseInput(int position) { counterClockwise_ = position; }
    // One poll of the selected board (run by the timer every 10 ms).
    void poll();
    // Stops polling and closes the boards of the latest detection.
    void closeDevices();

  private slots:
    // The board events the monitor took in one turn of the event loop.
    void boardsChanged(const QList<PanelinkBoardEvent> &events);
    void detectAfterBoardChanges();

  signals:
    // A detection ended; `found` is false when it found no board.
    void devicesDetected(bool found);
    // Board `index` is the one shown; its indicators are all dark.
    void deviceShown(int index);
    void pageDrawn(int page);
    void indicatorsChanged(quint64 lit);
    void countChanged(EncoderCount count);
    // The period between the two latest reports, in whole milliseconds, or kUnknownPeriod.
    void periodChanged(qint64 periodMs);
    void respondingChanged(bool responding);
    // After a detection caused by the monitor: the board selected before (its record as it
    // was) has left and is not among the boards found.
    void selectedDeviceLeft(const DeviceRecord &record);

  private:
    // Detects as detect() does and then selects the board with the path and serial number of
    // `keep`, or the first board when `keep` is null or that board is not found.
    bool detectKeeping(const DeviceRecord *keep);
    // The index of the record of the board `record` describes; -1 for none.
    int indexOf(const DeviceRecord &record) const;
    void showDevice(int index);
    void setResponding(bool responding);
    void noteReport();
    void updateIndicators();

    PanelinkApi &api_;
    std::vector<DeviceRecord> records_;
    int32_t recordsFilled_ = 0; // written by the library's detection
    int selected_ = 0;
    int page_ = 0;
    std::array<uint8_t, kInputBufferSize> inputs_{};
    quint64 lit_ = 0;
    quint64 seenOn_ = 0; // inputs on at the last report: a rising edge is an input not in here
    int clockwise_ = -1;
    int counterClockwise_ = -1;
    EncoderCount count_;
    bool responding_ = true;
    QTimer pollTimer_;

    Clock clock_;
    int pollsSincePeriodReport_ = 0;
    qint64 reportIntervalNs_ = 0;
    qint64 lastReportNs_ = 0;
    int reportsSeen_ = 0; // counts up to 2: the period is known from the second report on

    BoardMonitor monitor_;
    bool detectionDue_ = false; // a detection is queued for the board events taken so far
    bool selectedLeft_ = false; // among those events: the departure of the selected board
};
