#include "backends/hidraw/text.h"

#include <cstddef>
#include <cstdint>

namespace panelink::platform::hidraw {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes the sequence at `text[pos]`; returns the code point and advances `pos` past it, or
// past one byte for an invalid sequence (overlong, surrogate, beyond U+10FFFF, truncated).
char32_t next_code_point(std::string_view text, size_t &pos) {
    const auto lead = static_cast<uint8_t>(text[pos]);
    size_t extra = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (text.size() - pos <= extra) {
        ++pos;
        return kReplacement;
    }
    for (size_t i = 1; i <= extra; ++i) {
        const auto next = static_cast<uint8_t>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += extra + 1;
    return value;
}

} // namespace

void utf8_to_device_text(std::string_view utf8, wchar_t (&out)[kDeviceTextChars]) {
    size_t written = 0;
    size_t pos = 0;
    while (pos < utf8.size() && written + 1 < kDeviceTextChars)
        out[written++] = static_cast<wchar_t>(next_code_point(utf8, pos));
    out[written] = L'\0';
}

} // namespace panelink::platform::hidraw
