#include "indicator_grid.h"

#include <QPaintEvent>
#include <QPainter>

#include "ole_colour.h"
#include "texts.h"

IndicatorGrid::IndicatorGrid(QWidget *frame) : QWidget(frame) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(frame->rect());
}

void IndicatorGrid::setFirstInput(int first) {
    if (first == firstInput_)
        return;
    firstInput_ = first;
    update();
}

QString IndicatorGrid::number(int i) const {
    // Wider than 16 bits: the last page of the largest input count numbers up to 32768.
    return Texts::decimal(qint64{firstInput_} + i);
}

void IndicatorGrid::setLit(quint64 lit) {
    const quint64 changed = lit ^ lit_;
    lit_ = lit;
    for (int i = 0; i < kCount; ++i)
        if ((changed >> i) & 1)
            update(indicatorRect(i));
}

QRect IndicatorGrid::indicatorRect(int i) {
    const int row = i / 8, column = i % 8;
    return QRect(12 + 36 * column, 20 + 28 * row, 21, 25);
}

QRect IndicatorGrid::numberRect(int i) const {
    // As wide as the number and two pixels more, centred on its indicator.
    const QFontMetrics metrics(font());
    const int width = metrics.horizontalAdvance(number(i)) + 2;
    const QRect indicator = indicatorRect(i);
    return QRect(indicator.x() + (indicator.width() - width) / 2, indicator.y() + 5, width,
                 metrics.height());
}

void IndicatorGrid::paintEvent(QPaintEvent *event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    for (int i = 0; i < kCount; ++i) {
        const QRect oval = indicatorRect(i);
        if (!event->region().intersects(oval))
            continue;
        painter.setBrush(OleColour(fillColour(i), palette()));
        // Half a pixel in, so the one-pixel outline lies on whole pixels.
        painter.drawEllipse(QRectF(oval).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    // The numbers lie over the ovals, in the design's button-face colour.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(OleColour(kSystemButtonFace, palette()));
    for (int i = 0; i < kCount; ++i) {
        const QRect rect = numberRect(i);
        if (!event->region().intersects(rect))
            continue;
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
        painter.drawText(rect, Qt::AlignCenter, number(i));
        painter.restore();
    }
}
