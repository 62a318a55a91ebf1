// The board's own seven-segment digits (Write7Segment): two bytes passed through as they are.
#pragma once

#include "command_panel.h"

class QSpinBox;

class BoardDigitsPanel : public CommandPanel {
    Q_OBJECT
  public:
    explicit BoardDigitsPanel(QWidget *parent = nullptr);

  public slots:
    void send();

  private:
    QSpinBox *first_ = nullptr;
    QSpinBox *second_ = nullptr;
};
