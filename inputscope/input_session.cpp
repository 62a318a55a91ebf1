#include "input_session.h"

#include <algorithm>

#include <QElapsedTimer>

namespace {

constexpr qint64 kNsPerMs = 1000000;

quint64 bit(int i) {
    return quint64{1} << i;
}

} // namespace

InputSession::InputSession(PanelinkApi &api, QObject *parent)
    : QObject(parent), api_(api), records_(kDeviceSlots), pollTimer_(this) {
    pollTimer_.setObjectName(QStringLiteral("pollTimer"));
    pollTimer_.setTimerType(Qt::PreciseTimer);
    pollTimer_.setInterval(kPollIntervalMs);
    connect(&pollTimer_, &QTimer::timeout, this, &InputSession::poll);
    QElapsedTimer started;
    started.start();
    clock_ = [started] { return started.nsecsElapsed(); };
}

InputSession::~InputSession() {
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
        select(0);
    return found;
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
