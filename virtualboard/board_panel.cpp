#include "board_panel.h"

#include <QCheckBox>
#include <QDial>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace panelink::virtualboard {
namespace {

constexpr int kInputsPerRow = 12;
constexpr int kDialSteps = 24; // detents per turn of the dial

QScrollArea *scrolled(QWidget *content) {
    auto *area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    return area;
}

} // namespace

BoardPanel::BoardPanel(BoardHost &host, QWidget *parent) : QWidget(parent), host_(host) {
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *plug = new QPushButton(tr("&Plugged in"));
    plug->setObjectName(QStringLiteral("plug"));
    plug->setCheckable(true);
    plug->setToolTip(tr("Plug the board into the kernel's bus or unplug it (Ctrl+P)"));
    plugButton_ = plug;
    nodesLabel_ = new QLabel;
    nodesLabel_->setObjectName(QStringLiteral("nodes"));
    nodesLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(plug);
    top->addWidget(nodesLabel_, 1);
    layout->addLayout(top);

    auto *columns = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    if (host_.model().kind().input_count > 0) {
        auto *inputs = new QGroupBox(tr("Inputs"));
        auto *box = new QVBoxLayout(inputs);
        box->addWidget(scrolled(makeInputs()));
        left->addWidget(inputs, 2);
    }
    if (!host_.model().setup().ports.empty()) {
        auto *ports = new QGroupBox(tr("Modules on the ports (status answers)"));
        auto *box = new QVBoxLayout(ports);
        box->addWidget(scrolled(makePorts()));
        left->addWidget(ports, 1);
    }
    columns->addLayout(left, 1);
    auto *shown = new QGroupBox(tr("Outputs"));
    auto *shownLayout = new QVBoxLayout(shown);
    outputs_ = new OutputView(host_.model().outputs());
    shownLayout->addWidget(scrolled(outputs_));
    columns->addWidget(shown, 1);
    layout->addLayout(columns, 1);

    connect(plug, &QPushButton::clicked, this, [this](bool on) {
        QString error;
        if (on && !host_.plug(error)) {
            host_.logged(tr("cannot plug in: %1").arg(error));
        } else if (!on) {
            host_.unplug();
        }
        showPlugged(host_.isPlugged());
    });
    connect(&host_, &BoardHost::pluggedChanged, this, &BoardPanel::showPlugged);
    connect(&host_, &BoardHost::inputsChanged, this, &BoardPanel::showInputs);
    connect(&host_, &BoardHost::outputsChanged, outputs_, &OutputView::refresh);
    showPlugged(host_.isPlugged());
}

QWidget *BoardPanel::makeInputs() {
    auto *content = new QWidget;
    auto *grid = new QGridLayout(content);
    grid->setSpacing(2);
    const BoardSetup &setup = host_.model().setup();
    const unsigned count = host_.model().inputs().input_count();
    inputButtons_.assign(count, nullptr);
    int row = 0;
    for (size_t e = 0; e < setup.encoders.size(); ++e) {
        const EncoderPair &pair = setup.encoders[e];
        auto *dial = new QDial;
        dial->setObjectName(QStringLiteral("encoder-%1").arg(e));
        dial->setRange(0, kDialSteps - 1);
        dial->setWrapping(true);
        dial->setPageStep(1); // one detent per notch of the mouse wheel
        dial->setNotchesVisible(true);
        dial->setFixedSize(56, 56);
        dial->setToolTip(tr("Encoder on inputs %1 (clockwise) and %2: turn with the wheel or "
                            "drag; the first encoder also turns with ] and [")
                             .arg(pair.clockwise)
                             .arg(pair.counter_clockwise));
        dialPositions_.push_back(0);
        dial->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(dial, &QDial::customContextMenuRequested, this, [this, e, dial](const QPoint &at) {
            offerEncoderRemoval(e, dial->mapToGlobal(at));
        });
        connect(dial, &QDial::valueChanged, this, [this, e](int value) { dialMoved(e, value); });
        grid->addWidget(dial, row, 0, 1, 2);
        grid->addWidget(new QLabel(tr("Encoder %1: inputs %2 / %3")
                                       .arg(e)
                                       .arg(pair.clockwise)
                                       .arg(pair.counter_clockwise)),
                        row, 2, 1, kInputsPerRow - 2);
        ++row;
    }
    int column = 0;
    for (unsigned input = 0; input < count; ++input) {
        const InputRole role = role_of(setup, input);
        if (role == InputRole::EncoderClockwise || role == InputRole::EncoderCounterClockwise) {
            continue;
        }
        auto *button = new QToolButton;
        button->setObjectName(QStringLiteral("input-%1").arg(input));
        button->setText(QString::number(input));
        button->setMinimumWidth(34);
        if (role == InputRole::PushButton) {
            button->setToolTip(tr("Push button: on while held"));
            connect(button, &QToolButton::pressed, this,
                    [this, input] { host_.setInput(input, true); });
            connect(button, &QToolButton::released, this,
                    [this, input] { host_.setInput(input, false); });
        } else {
            button->setCheckable(true);
            button->setToolTip(tr("Toggle switch"));
            connect(button, &QToolButton::clicked, this,
                    [this, input](bool on) { host_.setInput(input, on); });
        }
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QToolButton::customContextMenuRequested, this,
                [this, input, button](const QPoint &at) {
                    offerInputRoles(input, button->mapToGlobal(at));
                });
        inputButtons_[input] = button;
        grid->addWidget(button, row, column);
        if (++column == kInputsPerRow) {
            column = 0;
            ++row;
        }
    }
    grid->setRowStretch(row + 1, 1);
    return content;
}

QWidget *BoardPanel::makePorts() {
    auto *content = new QWidget;
    auto *grid = new QGridLayout(content);
    grid->addWidget(new QLabel(tr("Port")), 0, 0);
    grid->addWidget(new QLabel(tr("Present")), 0, 1);
    grid->addWidget(new QLabel(tr("Fault")), 0, 2);
    grid->addWidget(new QLabel(tr("Module type")), 0, 3);
    const std::vector<PortModule> &ports = host_.model().setup().ports;
    for (size_t port = 0; port < ports.size(); ++port) {
        const int row = static_cast<int>(port) + 1;
        auto *present = new QCheckBox;
        present->setObjectName(QStringLiteral("port-%1-present").arg(port));
        present->setChecked(ports[port].present);
        auto *fault = new QCheckBox;
        fault->setObjectName(QStringLiteral("port-%1-fault").arg(port));
        fault->setChecked(ports[port].fault);
        auto *type = new QSpinBox;
        type->setObjectName(QStringLiteral("port-%1-type").arg(port));
        type->setRange(0, 15);
        type->setValue(ports[port].type);
        const auto update = [this, port, present, fault, type] {
            host_.setPort(port, {present->isChecked(), fault->isChecked(),
                                 static_cast<uint8_t>(type->value())});
        };
        connect(present, &QCheckBox::toggled, this, update);
        connect(fault, &QCheckBox::toggled, this, update);
        connect(type, &QSpinBox::valueChanged, this, update);
        grid->addWidget(new QLabel(QString::number(port)), row, 0);
        grid->addWidget(present, row, 1);
        grid->addWidget(fault, row, 2);
        grid->addWidget(type, row, 3);
    }
    grid->setRowStretch(static_cast<int>(ports.size()) + 1, 1);
    return content;
}

void BoardPanel::offerInputRoles(unsigned input, const QPoint &where) {
    const BoardSetup &setup = host_.model().setup();
    std::vector<unsigned> buttons = setup.push_buttons;
    const bool pushButton = role_of(setup, input) == InputRole::PushButton;
    QMenu menu;
    menu.addAction(pushButton ? tr("Make it a toggle switch") : tr("Make it a push button"), this,
                   [this, input, pushButton, buttons]() mutable {
                       if (pushButton) {
                           std::erase(buttons, input);
                       } else {
                           buttons.push_back(input);
                       }
                       host_.setRoles(host_.model().setup().encoders, buttons);
                   });
    const unsigned next = input + 1;
    const bool nextFree = next < host_.model().inputs().input_count() &&
                          (role_of(setup, next) == InputRole::Switch ||
                           role_of(setup, next) == InputRole::PushButton);
    if (nextFree) {
        menu.addAction(tr("Make inputs %1 and %2 an encoder").arg(input).arg(next), this,
                       [this, input, next, buttons]() mutable {
                           std::erase(buttons, input);
                           std::erase(buttons, next);
                           std::vector<EncoderPair> encoders = host_.model().setup().encoders;
                           encoders.push_back({input, next});
                           host_.setRoles(encoders, buttons);
                       });
    }
    menu.exec(where);
}

void BoardPanel::offerEncoderRemoval(size_t encoder, const QPoint &where) {
    QMenu menu;
    menu.addAction(tr("Make its inputs toggle switches again"), this, [this, encoder] {
        std::vector<EncoderPair> encoders = host_.model().setup().encoders;
        if (encoder < encoders.size()) {
            encoders.erase(encoders.begin() + static_cast<std::ptrdiff_t>(encoder));
            host_.setRoles(encoders, host_.model().setup().push_buttons);
        }
    });
    menu.exec(where);
}

void BoardPanel::dialMoved(size_t encoder, int value) {
    // The shorter way round the dial is the direction it was turned.
    int detents = value - dialPositions_[encoder];
    if (detents > kDialSteps / 2) {
        detents -= kDialSteps;
    } else if (detents < -kDialSteps / 2) {
        detents += kDialSteps;
    }
    dialPositions_[encoder] = value;
    host_.turnEncoder(encoder, detents);
}

void BoardPanel::showInputs() {
    const InputState &inputs = host_.model().inputs();
    for (unsigned input = 0; input < inputButtons_.size(); ++input) {
        QAbstractButton *button = inputButtons_[input];
        if (button != nullptr && button->isCheckable()) {
            const QSignalBlocker quiet(button);
            button->setChecked(inputs.is_on(input));
        }
    }
}

void BoardPanel::showPlugged(bool plugged) {
    const QSignalBlocker quiet(plugButton_);
    plugButton_->setChecked(plugged);
    plugButton_->setText(plugged ? tr("&Plugged in") : tr("Un&plugged"));
    nodesLabel_->setText(plugged ? host_.nodes() : tr("Not on the bus"));
}

} // namespace panelink::virtualboard
