// The encoder's pulse count, right-aligned in a boxed label. A count too wide for the box at
// the label's own font is drawn in a smaller size of that font, so every digit stays readable.
#pragma once

#include <QFont>
#include <QHash>
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
    // The font that fits a count of that shape (see shapeOf).
    QFont fittingFont(const QString &text);

    QFont designFont_;
    // Digits share one width in the design's fonts, so the font that fits depends only on the
    // count's shape: how many characters it has and whether a sign leads. Measured once per
    // shape, which keeps a steadily changing count free of text layout.
    QHash<int, QFont> fittedFonts_;
};
