#include "segment_display.h"

#include <array>

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kDecimalPoint = 0x80;
constexpr int kSegments = 7;

// Segments a to g of a digit in a 10 x 18 box: three bars and four posts.
const std::array<QRectF, kSegments> kSegmentBoxes = {
    QRectF(2, 0, 6, 1.6),    // a: top
    QRectF(8.4, 1, 1.6, 7),  // b: upper right
    QRectF(8.4, 10, 1.6, 7), // c: lower right
    QRectF(2, 16.4, 6, 1.6), // d: bottom
    QRectF(0, 10, 1.6, 7),   // e: lower left
    QRectF(0, 1, 1.6, 7),    // f: upper left
    QRectF(2, 8.2, 6, 1.6),  // g: middle
};
constexpr qreal kDigitWidth = 13;
constexpr qreal kGroupGap = 8;
constexpr qreal kDigitHeight = 18;

} // namespace

SegmentDisplay::SegmentDisplay(Order order, int digits, QWidget *parent)
    : QWidget(parent), order_(order), digits_(digits) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setAccessibleName(tr("Seven-segment preview"));
}

void SegmentDisplay::setPatterns(const QByteArray &leftToRight) {
    patterns_ = leftToRight;
    update();
}

void SegmentDisplay::setGroupEnds(const QList<int> &lastDigits) {
    groupEnds_ = lastDigits;
    update();
}

int SegmentDisplay::litSegments(int position) const {
    if (position < 0 || position >= patterns_.size())
        return 0;
    const int pattern = static_cast<unsigned char>(patterns_[position]);
    if (order_ == Order::Standard)
        return pattern;
    int lit = pattern & kDecimalPoint;
    for (int segment = 0; segment < kSegments; ++segment)
        if (pattern & (1 << (kSegments - 1 - segment)))
            lit |= 1 << segment;
    return lit;
}

QSize SegmentDisplay::sizeHint() const {
    return QSize(static_cast<int>(digits_ * kDigitWidth * 3 + 12), 64);
}

void SegmentDisplay::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(0x14, 0x14, 0x14));
    const qreal units = digits_ * kDigitWidth + static_cast<qreal>(groupEnds_.size()) * kGroupGap;
    const qreal scale = std::min((width() - 8) / units, (height() - 8) / kDigitHeight);
    const qreal left = (width() - scale * units) / 2;
    const qreal top = (height() - scale * kDigitHeight) / 2;
    const QColor lit(0xFF, 0x30, 0x20);
    const QColor dark(0x38, 0x20, 0x1C);
    painter.setPen(Qt::NoPen);
    qreal x = left;
    for (int digit = 0; digit < digits_; ++digit) {
        const int segments = litSegments(digit);
        painter.save();
        painter.translate(x, top);
        x += (kDigitWidth + (groupEnds_.contains(digit) ? kGroupGap : 0)) * scale;
        painter.scale(scale, scale);
        for (int segment = 0; segment < kSegments; ++segment) {
            painter.setBrush(segments & (1 << segment) ? lit : dark);
            painter.drawRoundedRect(kSegmentBoxes[segment], 0.6, 0.6);
        }
        painter.setBrush(segments & kDecimalPoint ? lit : dark);
        painter.drawEllipse(QRectF(10.6, 16.2, 1.8, 1.8));
        painter.restore();
    }
}
