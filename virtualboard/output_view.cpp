#include "output_view.h"

#include <QPainter>
#include <QPainterPath>

namespace panelink::virtualboard {
namespace {

constexpr int kMargin = 8;
constexpr int kLine = 18;     // a caption's height
constexpr int kLamp = 10;     // a lamp's diameter
constexpr int kLampStep = 13; // lamp pitch
constexpr int kLampsPerRow = 32;
constexpr int kDigitWidth = 22;
constexpr int kDigitHeight = 36;
constexpr int kDotCell = 8;
constexpr int kBarWidth = 8;
constexpr int kBarHeight = 64;
constexpr int kWidth = kMargin * 2 + kLampsPerRow * kLampStep;

const QColor kLit(255, 176, 0);
const QColor kDark(70, 60, 50);
const QColor kPanel(30, 30, 30);

// Lamps in rows of kLampsPerRow, numbered from 0 at the top left.
template <size_t N>
int lamps(QPainter *p, int y, const QString &caption, const std::bitset<N> &on) {
    if (p != nullptr) {
        p->setPen(Qt::black);
        p->drawText(kMargin, y + kLine - 5, caption);
        p->setPen(Qt::NoPen);
        for (size_t i = 0; i < N; ++i) {
            p->setBrush(on[i] ? kLit : kDark);
            p->drawEllipse(kMargin + static_cast<int>(i % kLampsPerRow) * kLampStep,
                           y + kLine + static_cast<int>(i / kLampsPerRow) * kLampStep, kLamp,
                           kLamp);
        }
    }
    return kLine + static_cast<int>((N + kLampsPerRow - 1) / kLampsPerRow) * kLampStep + 4;
}

// One seven-segment digit (a = bit 0 ... g = bit 6, bit 7 the point) with its top-left at x, y.
void digit(QPainter &p, int x, int y, uint8_t pattern) {
    const int w = kDigitWidth - 8;
    const int h = (kDigitHeight - 6) / 2;
    const int t = 3; // segment thickness
    const QRect segments[7] = {
        {x + t, y, w - 2 * t, t},         // a
        {x + w - t, y + t, t, h - t},     // b
        {x + w - t, y + h + t, t, h - t}, // c
        {x + t, y + 2 * h, w - 2 * t, t}, // d
        {x, y + h + t, t, h - t},         // e
        {x, y + t, t, h - t},             // f
        {x + t, y + h, w - 2 * t, t},     // g
    };
    for (int s = 0; s < 7; ++s) {
        p.fillRect(segments[s],
                   (pattern >> s & 1u) != 0 ? QColor(255, 40, 20) : QColor(60, 20, 20));
    }
    p.fillRect(QRect(x + w + 1, y + 2 * h, t, t),
               (pattern & 0x80) != 0 ? QColor(255, 40, 20) : QColor(60, 20, 20));
}

// Digits given rightmost first, drawn leftmost first on a dark panel.
template <size_t N>
int digits(QPainter *p, int y, const QString &caption, const std::array<uint8_t, N> &patterns) {
    if (p != nullptr) {
        p->setPen(Qt::black);
        p->drawText(kMargin, y + kLine - 5, caption);
        p->fillRect(kMargin, y + kLine, static_cast<int>(N) * kDigitWidth + 8, kDigitHeight + 4,
                    kPanel);
        for (size_t i = 0; i < N; ++i) {
            digit(*p, kMargin + 6 + static_cast<int>(i) * kDigitWidth, y + kLine + 4,
                  patterns[N - 1 - i]);
        }
    }
    return kLine + kDigitHeight + 10;
}

int dotMatrix(QPainter *p, int y, const std::array<uint8_t, PANELINK_DOT_MATRIX_BYTES> &columns) {
    if (p != nullptr) {
        p->setPen(Qt::black);
        p->drawText(kMargin, y + kLine - 5, QStringLiteral("Dot matrix"));
        p->setPen(Qt::NoPen);
        for (size_t column = 0; column < columns.size(); ++column) {
            for (size_t row = 0; row < kDotMatrixRows; ++row) {
                p->setBrush((columns[column] >> row & 1u) != 0 ? QColor(255, 30, 30) : kDark);
                p->drawEllipse(kMargin + static_cast<int>(column) * kDotCell,
                               y + kLine + static_cast<int>(row) * kDotCell, kDotCell - 2,
                               kDotCell - 2);
            }
        }
    }
    return kLine + static_cast<int>(kDotMatrixRows) * kDotCell + 4;
}

int dacBars(QPainter *p, int y, const std::array<uint8_t, PANELINK_SPI_DAC_BYTES> &values) {
    if (p != nullptr) {
        p->setPen(Qt::black);
        p->drawText(kMargin, y + kLine - 5, QStringLiteral("SPI DAC"));
        for (size_t i = 0; i < values.size(); ++i) {
            const int x = kMargin + static_cast<int>(i) * (kBarWidth + 2);
            const int height = values[i] * kBarHeight / 255;
            p->fillRect(x, y + kLine, kBarWidth, kBarHeight, kDark);
            p->fillRect(x, y + kLine + kBarHeight - height, kBarWidth, height,
                        QColor(40, 160, 255));
        }
    }
    return kLine + kBarHeight + 4;
}

int lcd(QPainter *p, int y, const std::map<unsigned, std::string> &lines) {
    const int height = kLine * static_cast<int>(lines.size()) + 8;
    if (p != nullptr) {
        p->setPen(Qt::black);
        p->drawText(kMargin, y + kLine - 5, QStringLiteral("Character LCD"));
        p->fillRect(kMargin, y + kLine, 20 * 12 + 12, height, QColor(60, 110, 40));
        QFont font(QStringLiteral("Monospace"));
        font.setStyleHint(QFont::TypeWriter);
        p->setFont(font);
        p->setPen(QColor(220, 255, 200));
        int line = 0;
        for (const auto &[selector, text] : lines) {
            p->drawText(kMargin + 6, y + kLine + 4 + kLine * (line++ + 1) - 5,
                        QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
        }
        p->setFont(QFont());
    }
    return kLine + height + 4;
}

} // namespace

OutputView::OutputView(const OutputState &state, QWidget *parent) : QWidget(parent), state_(state) {
    setObjectName(QStringLiteral("outputs"));
    setMinimumWidth(kWidth);
}

QSize OutputView::sizeHint() const {
    return {kWidth, layOut(nullptr)};
}

void OutputView::refresh() {
    setMinimumHeight(layOut(nullptr));
    updateGeometry();
    update();
}

int OutputView::layOut(QPainter *p) const {
    int y = kMargin;
    if (state_.ports().empty() && state_.lcd_lines().empty() && !state_.board_digits()) {
        if (p != nullptr) {
            p->drawText(kMargin, y + kLine - 5, tr("Nothing received yet."));
        }
        return y + kLine + kMargin;
    }
    if (const auto &board = state_.board_digits()) {
        y += digits(p, y, tr("Board digits"),
                    std::array<uint8_t, kBoardDigits>{(*board)[1], (*board)[0]});
    }
    if (!state_.lcd_lines().empty()) {
        y += lcd(p, y, state_.lcd_lines());
    }
    for (const auto &[port, out] : state_.ports()) {
        const QString name = tr("Port %1").arg(port);
        if (out.direct) {
            y += lamps(p, y, name + tr(": direct outputs"), *out.direct);
        }
        if (out.mux) {
            y += lamps(p, y, name + tr(": multiplexed outputs"), *out.mux);
        }
        if (out.latched) {
            y += lamps(p, y, name + tr(": latched outputs"), *out.latched);
        }
        if (out.digits) {
            y += digits(p, y, name + tr(": digits"), *out.digits);
        }
        if (out.dot_matrix) {
            y += dotMatrix(p, y, *out.dot_matrix);
        }
        if (out.dac) {
            y += dacBars(p, y, *out.dac);
        }
    }
    return y + kMargin;
}

void OutputView::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    layOut(&painter);
}

} // namespace panelink::virtualboard
