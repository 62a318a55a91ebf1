// The window's design units and fonts. The design is measured in twips, 15 to a pixel at 96
// dots per inch; its fonts are mapped to the nearest faces the platform has.
#pragma once

#include <QFont>
#include <QRect>

namespace Design {

// A rectangle given in twips, in pixels.
QRect twips(int left, int top, int width, int height);

// Arial, or the metric-compatible Liberation Sans where the platform lacks it.
QFont arial(double points, bool bold = false);
// Arial Black, black and italic, for the page buttons.
QFont arialBlack(double points);
// Fixedsys, or the nearest fixed-pitch face.
QFont fixedsys(double points);

} // namespace Design
