// The graphic LCD of a module: one command byte (CmdGLCD), and text of one or two 24-character
// lines at a position (WriteGLCD).
#pragma once

#include "command_panel.h"

class QLineEdit;
class QSpinBox;

class GlcdPanel : public CommandPanel {
    Q_OBJECT
  public:
    explicit GlcdPanel(QWidget *parent = nullptr);

  public slots:
    void sendCommand();
    void sendText();

  private:
    QSpinBox *parameter_ = nullptr;
    QSpinBox *command_ = nullptr;
    QSpinBox *position_ = nullptr;
    QSpinBox *lines_ = nullptr;
    QLineEdit *line1_ = nullptr;
    QLineEdit *line2_ = nullptr;
};
