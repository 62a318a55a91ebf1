// The encoder's pulse count, right-aligned in a boxed label. A count too wide for the box at
// the label's own font is drawn in a smaller size of that font, so every digit stays readable.
#pragma once

#include <QFont>
#include <QLabel>

#include "encoder_count.h"

class CountLabel : public QLabel {
    Q_OBJECT
  public:
    CountLabel(const QFont &font, QWidget *parent);

    void setCount(EncoderCount count);
    // The font the label was made with, and the largest size used.
    QFont designFont() const { return designFont_; }

  private:
    QFont designFont_;
    // Digits share one width in the design's fonts, so the size that fits depends only on how
    // many digits there are and whether a sign leads: the shape of the last count fitted.
    qsizetype fittedLength_ = -1;
    bool fittedNegative_ = false;
};
