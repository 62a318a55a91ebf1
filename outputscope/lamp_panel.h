// Digital outputs of a module as a grid of switchable lamps: direct (15 outputs), multiplexed
// (56) or latched (64). Each output is one byte of the command's data (the latched command's
// one-byte states), 1 for on. Switching a lamp sends the whole grid at once. The lamp test
// chases one output at a time, first to last, a step per chosen interval, and ends all off.
#pragma once

#include <vector>

#include <QTimer>

#include "command_panel.h"

class QAbstractButton;
class QPushButton;
class QSpinBox;

class LampPanel : public CommandPanel {
    Q_OBJECT
  public:
    enum class Kind { Direct, Multiplexed, Latched };

    explicit LampPanel(Kind kind, QWidget *parent = nullptr);

    Kind kind() const { return kind_; }
    int outputCount() const { return static_cast<int>(lamps_.size()); }
    bool isLit(int output) const;
    bool isLampTestRunning() const { return chase_.isActive(); }
    // Milliseconds between two steps of the lamp test.
    int lampTestInterval() const;

  public slots:
    void setLit(int output, bool on);
    void allOn();
    void allOff();
    // Starts the lamp test, or stops it (all off) while it runs.
    void toggleLampTest();
    // Sends the grid as it stands.
    void sendGrid();

  private slots:
    void chaseStep();

  private:
    void setAll(bool on);
    void stopLampTest();
    OutputCommand command(const std::vector<uint8_t> &states) const;

    Kind kind_;
    std::vector<QAbstractButton *> lamps_;
    QSpinBox *parameter_ = nullptr;
    QSpinBox *interval_ = nullptr;
    QPushButton *lampTest_ = nullptr;
    QTimer chase_;
    int chaseNext_ = 0;
    bool quiet_ = false; // while lamps are set in bulk: one send for all
};
