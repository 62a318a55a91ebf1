// A drop-down list that takes the mouse wheel only while it has the keyboard focus: a wheel
// turned to scroll past the window must not change a choice the user did not point at.
#pragma once

#include <QComboBox>

class FocusWheelComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit FocusWheelComboBox(QWidget *parent);

  protected:
    void wheelEvent(QWheelEvent *event) override;
};
