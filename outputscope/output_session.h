// The boards the window drives, without the window: the boards of the latest detection, the one
// selected, whether it is still there, its ports as its status answer gives them, and the
// sending of output commands to it. It owns no widget and announces every change by a signal.
//
// Each command is sent through the library's own export. Before that, the report recorder runs
// the same export with the same arguments on its private board, so that the bytes which went
// over the wire can be shown; then the real call is timed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>

#include "board_monitor.h"
#include "output_command.h"
#include "panelink_api.h"

class ReportRecorder;

// One port of a board that answers status queries.
struct PortStatus {
    int port = 0;
    bool present = false;
    bool fault = false;
    int type = 0;

    bool active() const { return present && !fault; }
};

class OutputSession : public QObject {
    Q_OBJECT
  public:
    using Clock = std::function<qint64()>; // monotonic, nanoseconds

    // `recorder` may be null: reports are then sent but not shown.
    OutputSession(PanelinkOutputApi &api, ReportRecorder *recorder, QObject *parent = nullptr);
    // Closes the boards still open.
    ~OutputSession() override;

    int deviceCount() const { return static_cast<int>(count_); }
    const DeviceRecord &device(int index) const { return records_.at(index); }
    // -1 while no board is selected.
    int selectedDevice() const { return selected_; }
    // False once the selected board has been unplugged: nothing is sent to it any more.
    bool isSelectedPresent() const { return selected_ >= 0 && isPresent(selected_); }
    // False for a board of the list that has been unplugged since the detection.
    bool isPresent(int index) const;
    // The selected board's output report length, report ID included (0 without a board).
    int outputReportLength() const;
    // "Product name - serial" of a record.
    static QString boardName(const DeviceRecord &record);
    // True for the boards that answer status queries about their ports (the dual-interface
    // board on its configuration interface).
    static bool answersStatus(const DeviceRecord &record);

    // The report `command` builds, from the recorder (never sent to a board); empty when it
    // cannot be had.
    QByteArray preview(const OutputCommand &command);

    bool followBoards();
    bool isFollowing() const { return monitor_.isRunning(); }

    void setClock(Clock clock) { clock_ = std::move(clock); }

  public slots:
    // Closes the boards of the previous detection and detects anew, keeping the selected board
    // selected when it is still there (else the first). True when a board was found.
    bool detect();
    void select(int index);
    // Asks the selected board for its ports; announced by portsKnown() or statusUnavailable().
    void queryStatus();
    // Sends `command` to the selected board and announces the call by sent().
    OutputCall send(const OutputCommand &command);
    // Sends one raw report of exactly the board's output report length through WriteData.
    OutputCall sendRaw(const QByteArray &report);
    void closeDevices();

  signals:
    void devicesDetected(int count);
    void deviceSelected(int index);
    // Board `index` of the list was unplugged (its record stays as it was). When it is the
    // selected board, nothing more is sent.
    void deviceGone(int index);
    void portsKnown(const QList<PortStatus> &ports);
    // The board does not answer status queries.
    void statusUnavailable();
    void sent(const OutputCall &call);

  private slots:
    void boardsChanged(const QList<PanelinkBoardEvent> &events);

  private:
    OutputCall run(const QString &name, const QString &arguments, QList<ReportField> fields,
                   const std::function<int32_t(PanelinkOutputApi &, DeviceRecord *)> &call,
                   const std::optional<QByteArray> &knownReport);
    int indexOfPath(const QByteArray &path) const;

    PanelinkOutputApi &api_;
    ReportRecorder *recorder_;
    std::vector<DeviceRecord> records_;
    std::vector<bool> gone_; // per record: unplugged since the detection
    int32_t count_ = 0;
    int selected_ = -1;
    // Each status query's number: an answer for an earlier selection is dropped.
    int statusQuery_ = 0;
    QList<QPointer<QThread>> statusWorkers_; // waited for at the end
    BoardMonitor monitor_;
    Clock clock_;
};
