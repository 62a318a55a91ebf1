#include "indicator_shape.h"

#include <QPainter>

#include "ole_colour.h"

IndicatorShape::IndicatorShape(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void IndicatorShape::SetFillColor(uint32_t colour) {
    if (colour == fillColor_)
        return;
    fillColor_ = colour;
    update();
}

void IndicatorShape::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(OleColour(fillColor_, palette()));
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
