#include "lamp_panel.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kLampsPerRow = 8;
constexpr int kDefaultIntervalMs = 200;
constexpr int kShortestIntervalMs = 20;
constexpr int kLongestIntervalMs = 5000;

int outputsOf(LampPanel::Kind kind) {
    switch (kind) {
    case LampPanel::Kind::Direct:
        return PANELINK_DIRECT_OUTPUT_BYTES;
    case LampPanel::Kind::Multiplexed:
        return PANELINK_MUX_OUTPUT_BYTES;
    case LampPanel::Kind::Latched:
        break;
    }
    return PANELINK_LATCHED_OUTPUT_STATES;
}

QString exportOf(LampPanel::Kind kind) {
    switch (kind) {
    case LampPanel::Kind::Direct:
        return QStringLiteral("WriteDirectOutput");
    case LampPanel::Kind::Multiplexed:
        return QStringLiteral("WriteMuxOutput");
    case LampPanel::Kind::Latched:
        break;
    }
    return QStringLiteral("WriteLatchedOutput");
}

// The outputs that are on, numbered from 1, as "1, 5, 9" (or "none").
QString onList(const std::vector<uint8_t> &states) {
    QStringList on;
    for (size_t i = 0; i < states.size(); ++i)
        if (states[i])
            on.append(QString::number(i + 1));
    return on.isEmpty() ? QStringLiteral("none on") : QStringLiteral("on: ") + on.join(", ");
}

} // namespace

LampPanel::LampPanel(Kind kind, QWidget *parent) : CommandPanel(parent), kind_(kind) {
    auto *form = new QFormLayout;
    addPortBox(form);
    if (kind_ == Kind::Latched)
        parameter_ = addByteBox(form, tr("P&arameter:"), "parameter");

    auto *grid = new QGridLayout;
    grid->setSpacing(4);
    for (int i = 0; i < outputsOf(kind_); ++i) {
        auto *lamp = new QToolButton(this);
        lamp->setObjectName(QStringLiteral("lamp%1").arg(i));
        lamp->setText(QString::number(i + 1));
        lamp->setCheckable(true);
        lamp->setToolButtonStyle(Qt::ToolButtonTextOnly);
        lamp->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        lamp->setMinimumSize(36, 28);
        lamp->setMaximumSize(72, 44);
        lamp->setToolTip(tr("Output %1").arg(i + 1));
        lamp->setStyleSheet(QStringLiteral("QToolButton:checked { background: #ffb000; color: "
                                           "black; font-weight: bold; }"));
        connect(lamp, &QToolButton::toggled, this, [this] {
            if (!quiet_)
                sendGrid();
        });
        grid->addWidget(lamp, i / kLampsPerRow, i % kLampsPerRow);
        lamps_.push_back(lamp);
    }

    auto *allOnButton = new QPushButton(tr("All o&n"), this);
    allOnButton->setObjectName(QStringLiteral("allOn"));
    connect(allOnButton, &QPushButton::clicked, this, &LampPanel::allOn);
    auto *allOffButton = new QPushButton(tr("All o&ff"), this);
    allOffButton->setObjectName(QStringLiteral("allOff"));
    connect(allOffButton, &QPushButton::clicked, this, &LampPanel::allOff);
    interval_ = new QSpinBox(this);
    interval_->setObjectName(QStringLiteral("lampTestInterval"));
    interval_->setRange(kShortestIntervalMs, kLongestIntervalMs);
    interval_->setValue(kDefaultIntervalMs);
    interval_->setSuffix(tr(" ms per step"));
    interval_->setAccessibleName(tr("Lamp test speed"));
    lampTest_ = new QPushButton(tr("&Lamp test"), this);
    lampTest_->setObjectName(QStringLiteral("lampTest"));
    lampTest_->setCheckable(true);
    connect(lampTest_, &QPushButton::clicked, this, &LampPanel::toggleLampTest);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(allOnButton);
    buttons->addWidget(allOffButton);
    buttons->addStretch();
    buttons->addWidget(interval_);
    buttons->addWidget(lampTest_);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);

    chase_.setObjectName(QStringLiteral("lampTestTimer"));
    chase_.setTimerType(Qt::PreciseTimer);
    connect(&chase_, &QTimer::timeout, this, &LampPanel::chaseStep);
}

bool LampPanel::isLit(int output) const {
    return output >= 0 && output < outputCount() && lamps_[output]->isChecked();
}

int LampPanel::lampTestInterval() const {
    return interval_->value();
}

void LampPanel::setLit(int output, bool on) {
    if (output >= 0 && output < outputCount())
        lamps_[output]->setChecked(on);
}

void LampPanel::allOn() {
    stopLampTest();
    setAll(true);
}

void LampPanel::allOff() {
    stopLampTest();
    setAll(false);
}

void LampPanel::setAll(bool on) {
    quiet_ = true;
    for (QAbstractButton *lamp : lamps_)
        lamp->setChecked(on);
    quiet_ = false;
    sendGrid();
}

void LampPanel::toggleLampTest() {
    if (chase_.isActive()) {
        allOff();
        return;
    }
    chaseNext_ = 0;
    lampTest_->setChecked(true);
    chase_.start(interval_->value());
    chaseStep(); // the first output lights at once
}

void LampPanel::stopLampTest() {
    chase_.stop();
    lampTest_->setChecked(false);
}

void LampPanel::chaseStep() {
    if (chaseNext_ >= outputCount()) {
        allOff();
        return;
    }
    quiet_ = true;
    for (int i = 0; i < outputCount(); ++i)
        lamps_[i]->setChecked(i == chaseNext_);
    quiet_ = false;
    ++chaseNext_;
    sendGrid();
}

void LampPanel::sendGrid() {
    std::vector<uint8_t> states(lamps_.size());
    for (size_t i = 0; i < lamps_.size(); ++i)
        states[i] = lamps_[i]->isChecked() ? 1 : 0;
    emit commandReady(command(states));
}

OutputCommand LampPanel::command(const std::vector<uint8_t> &states) const {
    const int port = port_->value();
    const int parameter = parameter_ ? parameter_->value() : 0;
    OutputCommand c;
    c.name = exportOf(kind_);
    c.arguments = tr("port %1, %2").arg(port).arg(onList(states));
    switch (kind_) {
    case Kind::Direct:
        c.call = [port, states](PanelinkOutputApi &api, DeviceRecord *d) {
            return api.writeDirectOutput(d, port, states.data());
        };
        c.fields = report_fields::addressed(PANELINK_DIRECT_OUTPUT_BYTES, tr("outputs 1-15"));
        break;
    case Kind::Multiplexed:
        c.call = [port, states](PanelinkOutputApi &api, DeviceRecord *d) {
            return api.writeMuxOutput(d, port, states.data());
        };
        c.fields = report_fields::addressed(PANELINK_MUX_OUTPUT_BYTES, tr("outputs 1-56"));
        break;
    case Kind::Latched:
        c.arguments += tr(", parameter %1").arg(parameter);
        c.call = [port, states, parameter](PanelinkOutputApi &api, DeviceRecord *d) {
            return api.writeLatchedOutput(d, port, states.data(), parameter);
        };
        c.fields = report_fields::addressed(PANELINK_LATCHED_OUTPUT_STATES / 8,
                                            tr("outputs 1-64, one bit each"));
        break;
    }
    return c;
}
