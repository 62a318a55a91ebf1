#include "input_session.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include <QElapsedTimer>

namespace {

constexpr qint64 kNsPerMs = 1000000;

quint64 bit(int i) {
    return quint64{1} << i;
}

size_t pathLength(const DeviceRecord &record) {
    return std::min<size_t>(record.DevicePathLength, sizeof record.DevicePath);
}

// The length of an event's path: up to its first NUL, within the field.
size_t pathEnd(const PanelinkBoardEvent &event) {
    return static_cast<size_t>(std::find(std::begin(event.path), std::end(event.path), '\0') -
                               std::begin(event.path));
}

bool hasPath(const DeviceRecord &record, const char *path, size_t length) {
    return pathLength(record) == length && std::memcmp(record.DevicePath, path, length) == 0;
}

} // namespace

InputSession::InputSession(PanelinkApi &api, QObject *parent)
    : QObject(parent), api_(api), records_(kDeviceSlots), pollTimer_(this), monitor_(api) {
    connect(&monitor_, &BoardMonitor::boardsChanged, this, &InputSession::boardsChanged);
    pollTimer_.setObjectName(QStringLiteral("pollTimer"));
    pollTimer_.setTimerType(Qt::PreciseTimer);
    pollTimer_.setInterval(kPollIntervalMs);
    connect(&pollTimer_, &QTimer::timeout, this, &InputSession::poll);
    QElapsedTimer started;
    started.start();
    clock_ = [started] { return started.nsecsElapsed(); };
}

InputSession::~InputSession() {
    stopFollowing();
    closeDevices();
}

int InputSession::deviceCount() const {
    return std::clamp(recordsFilled_, int32_t{0}, int32_t{kDeviceSlots});
}

void InputSession::closeDevices() {
    pollTimer_.stop();
    if (deviceCount() > 0)
        api_.closeDevices(static_cast<uint32_t>(deviceCount()), records_.data());
    recordsFilled_ = 0;
}

bool InputSession::detect() {
    return detectKeeping(nullptr);
}

bool InputSession::detectKeeping(const DeviceRecord *keep) {
    // Closing first matters: each detection opens every board anew.
    closeDevices();
    const bool found = api_.detectHid(&recordsFilled_, records_.data(), PANELINK_MODE_STANDARD);
    if (found) {
        for (int index = 0; index < deviceCount(); ++index)
            showDevice(index);
    } else {
        selected_ = 0;
    }
    emit devicesDetected(found);
    if (found)
        select(keep ? std::max(indexOf(*keep), 0) : 0);
    return found;
}

int InputSession::indexOf(const DeviceRecord &record) const {
    for (int index = 0; index < deviceCount(); ++index) {
        const DeviceRecord &candidate = records_[index];
        if (hasPath(candidate, record.DevicePath, pathLength(record)) &&
            candidate.SerialNumberLength == record.SerialNumberLength &&
            std::memcmp(candidate.SerialNumber, record.SerialNumber, sizeof record.SerialNumber) ==
                0)
            return index;
    }
    return -1;
}

bool InputSession::followBoards() {
    // No snapshot: the detection at start finds the boards present; the monitor reports changes.
    return monitor_.start();
}

void InputSession::stopFollowing() {
    monitor_.stop();
}

void InputSession::boardsChanged(const QList<PanelinkBoardEvent> &events) {
    for (const PanelinkBoardEvent &event : events) {
        if (event.event != PANELINK_BOARD_LEFT || deviceCount() == 0)
            continue;
        if (hasPath(records_[selected_], event.path, pathEnd(event))) {
            // The board is gone: no poll may touch its handle any more.
            pollTimer_.stop();
            selectedLeft_ = true;
        }
    }
    // One detection for all the events of this turn of the event loop (a board with several
    // interfaces reports each of them), and for any taken before it runs.
    if (!detectionDue_) {
        detectionDue_ = true;
        QMetaObject::invokeMethod(this, &InputSession::detectAfterBoardChanges,
                                  Qt::QueuedConnection);
    }
}

void InputSession::detectAfterBoardChanges() {
    detectionDue_ = false;
    const bool hadDevice = deviceCount() > 0;
    const DeviceRecord previous = hadDevice ? records_[selected_] : DeviceRecord{};
    const bool selectedLeft = std::exchange(selectedLeft_, false);
    detectKeeping(hadDevice ? &previous : nullptr);
    if (selectedLeft && indexOf(previous) < 0)
        emit selectedDeviceLeft(previous);
}

void InputSession::select(int index) {
    if (index < 0 || index >= deviceCount())
        return;
    pollTimer_.stop();
    showDevice(index);
    pollTimer_.start();
    previousPage();
}

void InputSession::showDevice(int index) {
    selected_ = index;
    setResponding(true);
    lit_ = 0;
    emit deviceShown(index);
    emit indicatorsChanged(lit_);
}

void InputSession::previousPage() {
    if (deviceCount() == 0)
        return;
    page_ = std::max(page_ - 1, 0);
    if (records_[selected_].InputCount / static_cast<double>(kPageInputs) < page_)
        page_ = 0;
    drawPage();
}

void InputSession::nextPage() {
    if (deviceCount() == 0)
        return;
    if (records_[selected_].InputCount > (page_ + 1) * kPageInputs)
        ++page_;
    drawPage();
}

void InputSession::drawPage() {
    clockwise_ = -1;
    counterClockwise_ = -1;
    count_ = EncoderCount();
    seenOn_ = 0;
    emit pageDrawn(page_);
    emit countChanged(count_);
}

void InputSession::poll() {
    inputs_.fill(0);
    DeviceRecord &record = records_[selected_];
    if (record.InputCount == 0) {
        // Nothing to poll: every indicator dark, and no period.
        emit periodChanged(kUnknownPeriod);
        updateIndicators();
        return;
    }
    if (pollsSincePeriodReport_ == kPollsPerPeriodReport) {
        emit periodChanged(reportsSeen_ >= 2 ? reportIntervalNs_ / kNsPerMs : kUnknownPeriod);
        pollsSincePeriodReport_ = 0;
    }
    ++pollsSincePeriodReport_;
    switch (api_.readInputData(&record, inputs_.data(), 0)) {
    case PANELINK_READ_DECODED:
        setResponding(true);
        noteReport();
        updateIndicators();
        break;
    case PANELINK_READ_FAILED:
        setResponding(false);
        break;
    default: // nothing new yet: the indicators keep the last report
        break;
    }
}

void InputSession::setResponding(bool responding) {
    if (responding == responding_)
        return;
    responding_ = responding;
    emit respondingChanged(responding);
}

void InputSession::noteReport() {
    const qint64 now = clock_();
    reportIntervalNs_ = now - lastReportNs_;
    lastReportNs_ = now;
    reportsSeen_ = std::min(reportsSeen_ + 1, 2);
}

void InputSession::updateIndicators() {
    const int pageStart = page_ * kPageInputs;
    const EncoderCount before = count_;
    quint64 on = 0;
    for (int i = 0; i < kPageInputs; ++i) {
        // Inputs beyond the buffer (pages past the library's 512 inputs) read as off.
        const int position = pageStart + i;
        if (position >= kInputBufferSize || inputs_[position] != 1)
            continue;
        on |= bit(i);
        if (seenOn_ & bit(i))
            continue;
        if (clockwise_ == i)
            count_.clockwisePulse();
        if (counterClockwise_ == i)
            count_.counterClockwisePulse();
    }
    seenOn_ = on;
    if (on != lit_) {
        lit_ = on;
        emit indicatorsChanged(lit_);
    }
    if (count_ != before)
        emit countChanged(count_);
}
