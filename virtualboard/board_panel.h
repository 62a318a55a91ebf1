// One board's page of the window: plug switch, the inputs as controls (toggle switches, push
// buttons, an encoder dial per input pair), the modules its status answers report, and what it
// shows. Controls are named for tests: "input-N", "encoder-N", "plug", "port-N-present" ...
#pragma once

#include <vector>

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

#include "board_host.h"
#include "output_view.h"

class QDial;

namespace panelink::virtualboard {

class BoardPanel : public QWidget {
    Q_OBJECT
  public:
    explicit BoardPanel(BoardHost &host, QWidget *parent = nullptr);

    BoardHost &host() { return host_; }

  private:
    QWidget *makeInputs();
    QWidget *makePorts();
    void showInputs();
    void showPlugged(bool plugged);
    void dialMoved(size_t encoder, int value);
    // The menus that change what an input is: a switch, a push button, or half of an encoder.
    void offerInputRoles(unsigned input, const QPoint &where);
    void offerEncoderRemoval(size_t encoder, const QPoint &where);

    BoardHost &host_;
    QAbstractButton *plugButton_ = nullptr;
    QLabel *nodesLabel_ = nullptr;
    OutputView *outputs_ = nullptr;
    std::vector<QAbstractButton *> inputButtons_; // by input number; null for encoder inputs
    std::vector<int> dialPositions_;
};

} // namespace panelink::virtualboard
