// The CRT/RWR display of a module (WriteCRTRWR): one value byte and up to 13 values of 32 bits
// taken from an index of the caller's array.
#pragma once

#include <vector>

#include "command_panel.h"

class QSpinBox;

class CrtRwrPanel : public CommandPanel {
    Q_OBJECT
  public:
    explicit CrtRwrPanel(QWidget *parent = nullptr);

  public slots:
    void send();

  private:
    QSpinBox *value_ = nullptr;
    QSpinBox *start_ = nullptr;
    QSpinBox *count_ = nullptr;
    std::vector<QSpinBox *> values_;
};
