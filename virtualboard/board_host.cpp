#include "board_host.h"

#include <algorithm>
#include <cerrno>

#include <QDateTime>

#include "hex.h"

namespace panelink::virtualboard {
namespace {

// Answer of a feature request the boards do not have: the kernel hands EIO to the caller.
constexpr uint16_t kNoSuchReport = EIO;
// uhid's numbering of report types in a set-report request.
constexpr uint8_t kUhidOutputReport = 1;

QString hex(const std::vector<uint8_t> &bytes) {
    return QString::fromStdString(board_models::to_hex(bytes.data(), bytes.size()));
}

} // namespace

BoardHost::BoardHost(BoardModel model, QObject *parent)
    : QObject(parent), model_(std::move(model)) {
    pulseTimer_.setInterval(kPulsePeriodMs);
    pulseTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pulseTimer_, &QTimer::timeout, this, &BoardHost::sendPulseEdge);
}

BoardHost::~BoardHost() {
    unplug();
}

QString BoardHost::title() const {
    return QStringLiteral("0x%1 %2")
        .arg(model_.kind().product, 4, 16, QLatin1Char('0'))
        .arg(QString::fromStdString(model_.kind().name));
}

void BoardHost::log(const QString &text) {
    emit logged(
        QStringLiteral("%1  %2: %3")
            .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")), title(), text));
}

bool BoardHost::plug(QString &error) {
    if (isPlugged()) {
        return true;
    }
    for (const board_models::Board &board : model_.interfaces()) {
        uhid::Identity identity = board.identity;
        identity.phys = uhid::phys_for_interface(board.interface_number);
        std::string reason;
        auto device = uhid::VirtualHidDevice::create(identity, reason);
        if (!device) {
            error = QString::fromStdString(reason);
            unplug();
            return false;
        }
        const size_t interface = devices_.size();
        auto notifier = std::make_unique<QSocketNotifier>(device->fd(), QSocketNotifier::Read);
        connect(notifier.get(), &QSocketNotifier::activated, this,
                [this, interface] { readEvents(interface); });
        devices_.push_back(std::move(device));
        notifiers_.push_back(std::move(notifier));
    }
    QStringList nodes;
    for (const auto &device : devices_) {
        const std::string node = device->hidraw_node();
        nodes << (node.empty() ? QStringLiteral("(no hidraw node)") : QString::fromStdString(node));
    }
    nodes_ = nodes.join(QStringLiteral(", "));
    log(QStringLiteral("plugged in as %1").arg(nodes_));
    // Inputs switched on while the board was away are reported at once, as a board reports its
    // state when it comes up.
    const std::vector<uint8_t> &state = model_.inputs().report();
    if (std::any_of(state.begin() + 1, state.end(), [](uint8_t byte) { return byte != 0; })) {
        sendInputs();
    }
    emit pluggedChanged(true);
    return true;
}

void BoardHost::unplug() {
    if (!isPlugged()) {
        return;
    }
    pulseTimer_.stop();
    model_.inputs().drop_pulses();
    notifiers_.clear();
    devices_.clear(); // each device's destruction removes it from the bus
    nodes_.clear();
    log(QStringLiteral("unplugged"));
    emit inputsChanged();
    emit pluggedChanged(false);
}

void BoardHost::sendInputs() {
    if (!isPlugged()) {
        return;
    }
    const std::vector<uint8_t> wire = model_.input_wire_report();
    if (!devices_.front()->send_input(wire.data(), wire.size())) {
        log(QString::fromStdString(devices_.front()->last_error()));
    }
}

void BoardHost::setInput(unsigned input, bool on) {
    if (!model_.inputs().set(input, on)) {
        return;
    }
    sendInputs();
    emit inputsChanged();
}

void BoardHost::turnEncoder(size_t encoder, int detents) {
    const std::vector<EncoderPair> &encoders = model_.setup().encoders;
    if (encoder >= encoders.size() || detents == 0 ||
        !model_.inputs().turn(encoders[encoder], detents)) {
        return;
    }
    if (!pulseTimer_.isActive()) {
        sendPulseEdge(); // the first edge goes at once, the others at the board's pace
        pulseTimer_.start();
    }
}

void BoardHost::sendPulseEdge() {
    if (!model_.inputs().next_pulse_edge()) {
        pulseTimer_.stop();
        return;
    }
    sendInputs();
    emit inputsChanged();
}

void BoardHost::setPort(size_t port, const PortModule &module) {
    model_.set_port(port, module);
}

bool BoardHost::setRoles(const std::vector<EncoderPair> &encoders,
                         const std::vector<unsigned> &buttons) {
    const std::vector<uint8_t> before = model_.inputs().report();
    std::string error;
    if (!model_.set_roles(encoders, buttons, error)) {
        log(QStringLiteral("cannot change the inputs: %1").arg(QString::fromStdString(error)));
        return false;
    }
    pulseTimer_.stop();
    if (model_.inputs().report() != before) {
        sendInputs();
    }
    emit rolesChanged();
    emit inputsChanged();
    return true;
}

void BoardHost::readEvents(size_t interface) {
    if (interface >= devices_.size()) {
        return;
    }
    uhid::Event event;
    uhid::VirtualHidDevice &device = *devices_[interface];
    while (device.next_event(event, 0)) {
        handleEvent(interface, event);
        if (interface >= devices_.size()) {
            return; // unplugged while handling
        }
    }
    if (!device.last_error().empty()) {
        log(QString::fromStdString(device.last_error()));
        notifiers_[interface]->setEnabled(false); // a broken device would wake us forever
    }
}

void BoardHost::handleEvent(size_t interface, const uhid::Event &event) {
    uhid::VirtualHidDevice &device = *devices_[interface];
    switch (event.type) {
    case uhid::EventType::Open:
        log(QStringLiteral("opened by a program"));
        break;
    case uhid::EventType::Close:
        log(QStringLiteral("closed by the last program"));
        break;
    case uhid::EventType::Output:
        receiveOutput(interface, event.data);
        break;
    case uhid::EventType::SetReport:
        if (!device.reply_set_report(event.id, 0)) {
            log(QString::fromStdString(device.last_error()));
        }
        if (event.report_type == kUhidOutputReport) {
            receiveOutput(interface, event.data);
        }
        break;
    case uhid::EventType::GetReport:
        if (!device.reply_get_report(event.id, kNoSuchReport, nullptr, 0)) {
            log(QString::fromStdString(device.last_error()));
        }
        break;
    case uhid::EventType::Start:
    case uhid::EventType::Stop:
    case uhid::EventType::Other:
        break;
    }
}

void BoardHost::receiveOutput(size_t interface, const std::vector<uint8_t> &report) {
    const BoardModel::Received received = model_.receive(interface, report.data(), report.size());
    log(QStringLiteral("interface %1 output (%2 bytes): %3")
            .arg(interface)
            .arg(report.size())
            .arg(received.description ? QString::fromStdString(*received.description)
                                      : hex(report)));
    if (received.reply && isPlugged()) {
        const std::vector<uint8_t> wire = model_.interfaces()[interface].wire_report(
            received.reply->data(), received.reply->size());
        if (!devices_[interface]->send_input(wire.data(), wire.size())) {
            log(QString::fromStdString(devices_[interface]->last_error()));
        } else {
            log(QStringLiteral("status answer %1").arg(hex(*received.reply)));
        }
    }
    if (received.drawn) {
        emit outputsChanged();
    }
}

} // namespace panelink::virtualboard
