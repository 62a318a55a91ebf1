// A dot-matrix display of a module (WriteDotMatrix): 16 pattern bytes drawn by clicking a grid
// of 16 columns of 8 dots.
#pragma once

#include "command_panel.h"

class DotGrid;
class QSpinBox;

class DotMatrixPanel : public CommandPanel {
    Q_OBJECT
  public:
    static constexpr int kRows = 8;

    explicit DotMatrixPanel(QWidget *parent = nullptr);
    DotGrid *grid() const { return grid_; }

  public slots:
    void send();

  private:
    DotGrid *grid_ = nullptr;
    QSpinBox *parameter_ = nullptr;
};
