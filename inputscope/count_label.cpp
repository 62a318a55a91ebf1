#include "count_label.h"

#include "texts.h"

namespace {

constexpr double kSmallestPointSize = 6.0;

} // namespace

CountLabel::CountLabel(const QFont &font, QWidget *parent) : QLabel(parent), designFont_(font) {
    setFont(font);
}

void CountLabel::setCount(EncoderCount count) {
    const QString text = Texts::decimal(count.value());
    const bool negative = count.value() < 0;
    if (text.size() != fittedLength_ || negative != fittedNegative_) {
        QFont fitting = designFont_;
        const int room = contentsRect().width();
        while (QFontMetrics(fitting).horizontalAdvance(text) > room &&
               fitting.pointSizeF() > kSmallestPointSize)
            fitting.setPointSizeF(fitting.pointSizeF() - 0.5);
        if (fitting != font())
            setFont(fitting);
        fittedLength_ = text.size();
        fittedNegative_ = negative;
    }
    setText(text);
}
