#include "output_session.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <QElapsedTimer>

#include "report_recorder.h"

namespace {

constexpr uint16_t kPortStatusProduct = 0x0800;
constexpr uint16_t kConfigStatusProduct = 0x0910;
constexpr int kConfigStatusPorts = 2;
constexpr int kMaxPorts = 24;

QByteArray pathOf(const DeviceRecord &record) {
    const auto length = std::min<size_t>(record.DevicePathLength, sizeof record.DevicePath);
    return QByteArray(record.DevicePath, static_cast<qsizetype>(length));
}

QByteArray pathOf(const PanelinkBoardEvent &event) {
    return QByteArray(event.path, static_cast<qsizetype>(qstrnlen(event.path, sizeof event.path)));
}

QString text(const char *field, int32_t length, size_t capacity) {
    const auto bytes = static_cast<qsizetype>(std::clamp<int64_t>(length, 0, capacity));
    return QString::fromLocal8Bit(field, qstrnlen(field, bytes));
}

// Asks the board for its ports. The dual-interface board answers on its configuration
// interface, which only the configuration detection finds: it is opened for the query (the one
// with the board's serial number) and closed again.
void retrieveStatus(PanelinkOutputApi &api, DeviceRecord &record, StatusRecord &status) {
    if (record.ProductID != kConfigStatusProduct || record.IsConfigInterface == 1) {
        api.retrieveStatus(&record, &status);
        return;
    }
    std::vector<DeviceRecord> interfaces(PANELINK_MAX_DEVICES);
    int32_t count = 0;
    bool asked = false;
    if (api.detectDevice(&count, interfaces.data(), kConfigStatusProduct, PANELINK_MODE_DEVICES)) {
        count = std::clamp(count, int32_t{0}, int32_t{PANELINK_MAX_DEVICES});
        for (int32_t i = 0; i < count && !asked; ++i) {
            DeviceRecord &candidate = interfaces[i];
            if (candidate.SerialNumberLength == record.SerialNumberLength &&
                std::memcmp(candidate.SerialNumber, record.SerialNumber,
                            sizeof record.SerialNumber) == 0) {
                api.retrieveStatus(&candidate, &status);
                asked = true;
            }
        }
        api.closeDevices(static_cast<uint32_t>(count), interfaces.data());
    }
    if (!asked) { // no configuration interface: no port answers
        for (int port = 0; port < kConfigStatusPorts; ++port) {
            status.PortPresent[port] = 0;
            status.PortFault[port] = 1;
            status.PortType[port] = 0;
        }
    }
}

} // namespace

OutputSession::OutputSession(PanelinkOutputApi &api, ReportRecorder *recorder, QObject *parent)
    : QObject(parent), api_(api), recorder_(recorder), records_(PANELINK_MAX_DEVICES),
      gone_(PANELINK_MAX_DEVICES, false), monitor_(api) {
    connect(&monitor_, &BoardMonitor::boardsChanged, this, &OutputSession::boardsChanged);
    QElapsedTimer started;
    started.start();
    clock_ = [started] { return started.nsecsElapsed(); };
}

OutputSession::~OutputSession() {
    monitor_.stop();
    // With the handles closed, a status query still under way fails at its next exchange.
    closeDevices();
    for (const QPointer<QThread> &worker : std::as_const(statusWorkers_))
        if (worker)
            worker->wait();
}

bool OutputSession::isPresent(int index) const {
    return index >= 0 && index < deviceCount() && !gone_[index];
}

int OutputSession::outputReportLength() const {
    return selected_ >= 0 ? records_[selected_].OutputReportByteLength : 0;
}

QString OutputSession::boardName(const DeviceRecord &record) {
    return QStringLiteral("%1 - %2").arg(
        text(record.ProductName, record.ProductNameLength, sizeof record.ProductName),
        text(record.SerialNumber, record.SerialNumberLength, sizeof record.SerialNumber));
}

bool OutputSession::answersStatus(const DeviceRecord &record) {
    return record.ProductID == kPortStatusProduct || record.ProductID == kConfigStatusProduct;
}

QByteArray OutputSession::preview(const OutputCommand &command) {
    return recorder_ ? recorder_->record(command.call, ReportRecorder::kRecordedLength)
                     : QByteArray();
}

bool OutputSession::followBoards() {
    return monitor_.start();
}

void OutputSession::closeDevices() {
    if (count_ > 0)
        api_.closeDevices(static_cast<uint32_t>(count_), records_.data());
    count_ = 0;
    selected_ = -1;
}

bool OutputSession::detect() {
    const QByteArray keep = isSelectedPresent() ? pathOf(records_[selected_]) : QByteArray();
    closeDevices();
    int32_t count = 0;
    const bool found = api_.detectHid(&count, records_.data(), PANELINK_MODE_STANDARD) != 0;
    count_ = found ? std::clamp(count, int32_t{0}, int32_t{PANELINK_MAX_DEVICES}) : 0;
    std::fill(gone_.begin(), gone_.end(), false);
    emit devicesDetected(deviceCount());
    if (count_ > 0)
        select(std::max(indexOfPath(keep), 0));
    return count_ > 0;
}

int OutputSession::indexOfPath(const QByteArray &path) const {
    if (path.isEmpty())
        return -1;
    for (int index = 0; index < deviceCount(); ++index)
        if (pathOf(records_[index]) == path)
            return index;
    return -1;
}

void OutputSession::select(int index) {
    if (index < 0 || index >= deviceCount())
        return;
    selected_ = index;
    emit deviceSelected(index);
}

void OutputSession::boardsChanged(const QList<PanelinkBoardEvent> &events) {
    bool arrived = false;
    for (const PanelinkBoardEvent &event : events) {
        if (event.event == PANELINK_BOARD_ARRIVED) {
            arrived = true;
            continue;
        }
        const int index = indexOfPath(pathOf(event));
        if (isPresent(index)) {
            // From now on nothing is sent to it.
            gone_[index] = true;
            emit deviceGone(index);
        }
    }
    // A new board joins the list; a board that left stays listed (shown as gone) until the
    // next detection, which an arrival or a refresh brings.
    if (arrived)
        detect();
}

void OutputSession::queryStatus() {
    if (!isSelectedPresent())
        return;
    DeviceRecord record = records_[selected_];
    if (!answersStatus(record)) {
        emit statusUnavailable();
        return;
    }
    const int ports = record.ProductID == kPortStatusProduct
                          ? std::clamp<int>(record.PortCount, 0, kMaxPorts)
                          : kConfigStatusPorts;
    // The query may take seconds (the board is given a second per answer): it runs on a thread
    // of its own, with a copy of the record (a detection meanwhile closes the handle, and the
    // query then fails cleanly). The export is bound here, on this thread, before the worker calls
    // it (a null record is refused without a report).
    api_.retrieveStatus(nullptr, nullptr);
    api_.detectDevice(nullptr, nullptr, 0, 0);
    api_.closeDevices(0, nullptr);
    auto status = std::make_shared<StatusRecord>();
    PanelinkOutputApi &api = api_;
    QThread *worker =
        QThread::create([&api, record, status]() mutable { retrieveStatus(api, record, *status); });
    const int query = ++statusQuery_;
    connect(worker, &QThread::finished, this, [this, worker, status, ports, query] {
        worker->deleteLater();
        if (query != statusQuery_ || !isSelectedPresent())
            return; // the user has moved on
        QList<PortStatus> list;
        for (int port = 0; port < ports; ++port)
            list.append({port, status->PortPresent[port] != 0, status->PortFault[port] != 0,
                         status->PortType[port]});
        emit portsKnown(list);
    });
    statusWorkers_.removeAll(nullptr);
    statusWorkers_.append(worker);
    worker->start();
}

OutputCall OutputSession::send(const OutputCommand &command) {
    return run(command.name, command.arguments, command.fields, command.call, std::nullopt);
}

OutputCall OutputSession::sendRaw(const QByteArray &report) {
    const int length = outputReportLength();
    if (report.size() != length)
        return {};
    const auto *bytes = reinterpret_cast<const uint8_t *>(report.constData());
    return run(
        QStringLiteral("WriteData"), QStringLiteral("%1 bytes").arg(length),
        report_fields::raw(length),
        [bytes](PanelinkOutputApi &api, DeviceRecord *device) {
            return api.writeData(device, bytes);
        },
        report);
}

OutputCall
OutputSession::run(const QString &name, const QString &arguments, QList<ReportField> fields,
                   const std::function<int32_t(PanelinkOutputApi &, DeviceRecord *)> &call,
                   const std::optional<QByteArray> &knownReport) {
    OutputCall done;
    done.name = name;
    done.arguments = arguments;
    done.fields = std::move(fields);
    if (selected_ >= 0)
        done.board = boardName(records_[selected_]);
    if (!isSelectedPresent()) {
        emit sent(done);
        return done;
    }
    DeviceRecord &record = records_[selected_];
    const int length = record.OutputReportByteLength;
    if (knownReport)
        done.report = *knownReport;
    else if (recorder_)
        done.report = recorder_->record(call, length);
    done.attempted = true;
    const qint64 start = clock_();
    done.result = call(api_, &record);
    done.elapsedNs = clock_() - start;
    emit sent(done);
    return done;
}
