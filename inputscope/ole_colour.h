// Colours as the window's design stores them: 0x00BBGGRR, or with bit 31 set a system colour
// named by the index in the low byte.
#pragma once

#include <cstdint>

#include <QColor>
#include <QPalette>

inline constexpr uint32_t kSystemWindowBackground = 0x80000005;
inline constexpr uint32_t kSystemInactiveBorder = 0x8000000B;
inline constexpr uint32_t kSystemButtonFace = 0x8000000F;

// The colour a stored value names; system colours come from `palette`.
QColor OleColour(uint32_t value, const QPalette &palette);
