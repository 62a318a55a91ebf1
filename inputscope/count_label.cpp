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
    const int shape = static_cast<int>(text.size()) * 2 + (count.value() < 0 ? 1 : 0);
    auto fitted = fittedFonts_.constFind(shape);
    if (fitted == fittedFonts_.constEnd())
        fitted = fittedFonts_.insert(shape, fittingFont(text));
    if (*fitted != font())
        setFont(*fitted);
    setText(text);
}

QFont CountLabel::fittingFont(const QString &text) {
    QFont fitting = designFont_;
    const int room = contentsRect().width();
    while (QFontMetrics(fitting).horizontalAdvance(text) > room &&
           fitting.pointSizeF() > kSmallestPointSize)
        fitting.setPointSizeF(fitting.pointSizeF() - 0.5);
    return fitting;
}
