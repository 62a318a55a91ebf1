#include "ole_colour.h"

QColor OleColour(uint32_t value, const QPalette &palette) {
    if (value & 0x80000000u) {
        switch (value & 0xFFu) {
        case 0x05: // window background
            return palette.color(QPalette::Base);
        case 0x0F: // button face
            return palette.color(QPalette::Button);
        case 0x0B: // inactive border
        default:
            return palette.color(QPalette::Window);
        }
    }
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
}
