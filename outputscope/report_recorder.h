// Records the report an output command builds, without a board.
//
// The window never builds reports itself, and the library does not hand back the reports it
// sends. So the recorder keeps a private instance of the library (a second copy in the process,
// see PanelinkLibrary::Instance::Private) on its own virtual bus, with one virtual board whose
// output reports have the largest length the output commands send. Each command is run once
// more against that board with the same arguments, and the report the board receives is the
// report the library built; its first OutputReportByteLength bytes are what a real board gets,
// since the library builds every report the same way whatever board it is for.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "panelink_api.h"

class PanelinkLibrary;

class ReportRecorder {
  public:
    // Bytes of the recorder board's output reports, report ID included.
    static constexpr int kRecordedLength = 68;

    // Loads the private instance from the first of `files` that loads and plugs in its board.
    explicit ReportRecorder(const QStringList &files);
    ~ReportRecorder();
    ReportRecorder(const ReportRecorder &) = delete;
    ReportRecorder &operator=(const ReportRecorder &) = delete;

    // False when the private instance or its board could not be had; why is in problem().
    bool isReady() const { return ready_; }
    QString problem() const { return problem_; }

    // Runs `call` against the recorder board and returns the first `length` bytes of the report
    // it sent; empty when it sent none (the call refused its arguments) or the recorder is not
    // ready, or `length` is not 1 to kRecordedLength.
    QByteArray record(const std::function<int32_t(PanelinkOutputApi &, DeviceRecord *)> &call,
                      int length);

  private:
    bool start();
    template <typename Function> Function bind(const char *name);

    std::unique_ptr<PanelinkLibrary> library_;
    DeviceRecord board_{};
    int boardId_ = 0;
    bool ready_ = false;
    QString problem_;
};
