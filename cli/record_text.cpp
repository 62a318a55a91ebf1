#include "record_text.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace panelink::cli {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void append_utf8(std::string &out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

template <size_t N> std::string text_of(const char (&field)[N], int64_t length) {
    return field_text(field, N, length);
}

} // namespace

std::string field_text(const char *field, size_t field_size, int64_t length) {
    const auto limit =
        static_cast<size_t>(std::clamp<int64_t>(length, 0, static_cast<int64_t>(field_size)));
    const char *end = std::find(field, field + limit, '\0');
    return std::string(field, end);
}

RecordTexts record_texts(const DeviceRecord &record) {
    return {text_of(record.ProductName, record.ProductNameLength),
            text_of(record.Manufacturer, record.ManufacturerLength),
            text_of(record.SerialNumber, record.SerialNumberLength),
            text_of(record.DevicePath, record.DevicePathLength)};
}

std::string locale_to_utf8(std::string_view text) {
    std::string out;
    std::mbstate_t state{};
    size_t pos = 0;
    while (pos < text.size()) {
        wchar_t wide = 0;
        const size_t used = std::mbrtowc(&wide, text.data() + pos, text.size() - pos, &state);
        if (used == static_cast<size_t>(-1) || used == static_cast<size_t>(-2) || used == 0) {
            // Not a character here (or cut off at the end): one byte becomes one replacement.
            append_utf8(out, kReplacement);
            state = std::mbstate_t{};
            ++pos;
            continue;
        }
        append_utf8(out, static_cast<char32_t>(wide));
        pos += used;
    }
    return out;
}

std::string escape_controls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        out += escaped;
    }
    return out;
}

} // namespace panelink::cli
