// One virtual board on the kernel's HID bus: its model, one uhid device per interface while it
// is plugged in, and the traffic between them. Input changes go out at once; encoder pulses go
// out one report per pulse period; output reports are drawn, answered when they are status
// queries, and logged with their time.
#pragma once

#include <memory>
#include <vector>

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include "board_model.h"
#include "virtual_hid_device.h"

namespace panelink::virtualboard {

class BoardHost : public QObject {
    Q_OBJECT
  public:
    BoardHost(BoardModel model, QObject *parent = nullptr);
    ~BoardHost() override;

    BoardModel &model() { return model_; }
    const BoardModel &model() const { return model_; }
    bool isPlugged() const { return !devices_.empty(); }
    // The hidraw nodes of the plugged-in interfaces, "/dev/hidraw3, /dev/hidraw4".
    QString nodes() const { return nodes_; }
    // "0x0500 Halcyon-256 USB MODULE"
    QString title() const;

    // Puts every interface on the bus; false with the reason when one cannot be created (the
    // others are removed again).
    bool plug(QString &error);
    void unplug();

    void setInput(unsigned input, bool on);
    void turnEncoder(size_t encoder, int detents);
    void setPort(size_t port, const PortModule &module);
    // New encoder pairs and push buttons (BoardModel::set_roles); the change is logged, and a
    // released input goes out at once.
    bool setRoles(const std::vector<EncoderPair> &encoders, const std::vector<unsigned> &buttons);

  signals:
    void inputsChanged();
    void outputsChanged();
    void rolesChanged();
    void pluggedChanged(bool plugged);
    // One line for the log pane: the time, the board and what happened.
    void logged(const QString &line);

  private:
    void sendInputs();
    void sendPulseEdge();
    void readEvents(size_t interface);
    void handleEvent(size_t interface, const uhid::Event &event);
    void receiveOutput(size_t interface, const std::vector<uint8_t> &report);
    void log(const QString &text);

    BoardModel model_;
    std::vector<std::unique_ptr<uhid::VirtualHidDevice>> devices_;
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers_;
    QString nodes_;
    QTimer pulseTimer_;
};

} // namespace panelink::virtualboard
