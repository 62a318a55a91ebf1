#include "design_units.h"

#include <cmath>

#include <QStringList>

namespace Design {
namespace {

constexpr double kTwipsPerPixel = 15.0;

int pixels(int twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

} // namespace

QRect twips(int left, int top, int width, int height) {
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

QFont arial(double points, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont arialBlack(double points) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial Black"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(QFont::Black);
    font.setItalic(true);
    return font;
}

QFont fixedsys(double points) {
    QFont font;
    font.setFamilies({QStringLiteral("Fixedsys"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(points);
    return font;
}

} // namespace Design
