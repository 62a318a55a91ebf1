#include "focus_wheel_combo_box.h"

#include <QWheelEvent>

FocusWheelComboBox::FocusWheelComboBox(QWidget *parent) : QComboBox(parent) {
    // Click or tab to focus; the wheel alone never gives focus.
    setFocusPolicy(Qt::StrongFocus);
}

void FocusWheelComboBox::wheelEvent(QWheelEvent *event) {
    if (!hasFocus()) {
        event->ignore(); // left to the window behind
        return;
    }
    QComboBox::wheelEvent(event);
}
