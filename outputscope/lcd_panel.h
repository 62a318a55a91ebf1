// The character LCD: a line of 20 characters (WriteLCD) and clearing it (ClearLCD).
#pragma once

#include "command_panel.h"

class QLineEdit;
class QSpinBox;

class LcdPanel : public CommandPanel {
    Q_OBJECT
  public:
    explicit LcdPanel(QWidget *parent = nullptr);

  public slots:
    void sendText();
    void clear();

  private:
    QLineEdit *text_ = nullptr;
    QSpinBox *selector_ = nullptr;
    QSpinBox *parameter_ = nullptr;
};
