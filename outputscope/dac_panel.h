// The SPI digital-to-analogue converter of a module (WriteSPIDAC): one slider per channel,
// channel n being data byte n (0 to 255). Moving a slider sends all channels.
#pragma once

#include <vector>

#include "command_panel.h"

class QSlider;
class QSpinBox;

class DacPanel : public CommandPanel {
    Q_OBJECT
  public:
    explicit DacPanel(QWidget *parent = nullptr);

    QSlider *channel(int index) const { return channels_.at(index); }

  public slots:
    void send();

  private:
    std::vector<QSlider *> channels_;
    QSpinBox *parameter_ = nullptr;
};
