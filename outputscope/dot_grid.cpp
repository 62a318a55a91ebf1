#include "dot_grid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

DotGrid::DotGrid(int columns, int rows, QWidget *parent)
    : QWidget(parent), columns_(columns), rows_(rows), patterns_(columns, '\0') {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAccessibleName(tr("Dot-matrix pattern"));
}

void DotGrid::setPatterns(const QByteArray &patterns) {
    patterns_ = patterns.leftJustified(columns_, '\0', true);
    update();
    emit changed();
}

bool DotGrid::isOn(int column, int row) const {
    return column >= 0 && column < columns_ && row >= 0 && row < rows_ &&
           (static_cast<unsigned char>(patterns_[column]) >> row) & 1;
}

void DotGrid::toggle(int column, int row) {
    if (column < 0 || column >= columns_ || row < 0 || row >= rows_)
        return;
    patterns_[column] = static_cast<char>(patterns_[column] ^ (1 << row));
    update();
    emit changed();
}

qreal DotGrid::pitch() const {
    return std::min(width() / static_cast<qreal>(columns_), height() / static_cast<qreal>(rows_));
}

QRect DotGrid::dotRect(int column, int row) const {
    const qreal p = pitch();
    return QRectF(column * p + p * 0.1, row * p + p * 0.1, p * 0.8, p * 0.8).toRect();
}

QSize DotGrid::sizeHint() const {
    return QSize(columns_ * 24, rows_ * 24);
}

void DotGrid::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal p = pitch();
    painter.fillRect(QRectF(0, 0, columns_ * p, rows_ * p), QColor(0x18, 0x18, 0x18));
    for (int column = 0; column < columns_; ++column) {
        for (int row = 0; row < rows_; ++row) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(isOn(column, row) ? QColor(0x40, 0xFF, 0x60)
                                               : QColor(0x30, 0x40, 0x30));
            painter.drawEllipse(QRectF(column * p + p * 0.1, row * p + p * 0.1, p * 0.8, p * 0.8));
            if (hasFocus() && column == focusColumn_ && row == focusRow_) {
                painter.setPen(QPen(palette().highlight(), 2));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(QRectF(column * p + 1, row * p + 1, p - 2, p - 2));
            }
        }
    }
}

void DotGrid::mousePressEvent(QMouseEvent *event) {
    const qreal p = pitch();
    const int column = static_cast<int>(event->position().x() / p);
    const int row = static_cast<int>(event->position().y() / p);
    if (column >= columns_ || row >= rows_)
        return;
    focusColumn_ = column;
    focusRow_ = row;
    toggle(column, row);
}

void DotGrid::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Left:
        focusColumn_ = std::max(focusColumn_ - 1, 0);
        break;
    case Qt::Key_Right:
        focusColumn_ = std::min(focusColumn_ + 1, columns_ - 1);
        break;
    case Qt::Key_Up:
        focusRow_ = std::max(focusRow_ - 1, 0);
        break;
    case Qt::Key_Down:
        focusRow_ = std::min(focusRow_ + 1, rows_ - 1);
        break;
    case Qt::Key_Space:
        toggle(focusColumn_, focusRow_);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    update();
}
