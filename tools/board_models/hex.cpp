#include "hex.h"

#include <charconv>

namespace panelink::board_models {
namespace {

bool is_separator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == ':';
}

int digit_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool has_hex_prefix(std::string_view text) {
    return text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

} // namespace

std::string to_hex(const uint8_t *data, size_t length) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(length * 3);
    for (size_t i = 0; i < length; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0x0F];
    }
    return text;
}

std::optional<std::vector<uint8_t>> parse_hex_bytes(std::string_view text) {
    std::vector<uint8_t> bytes;
    size_t i = 0;
    while (i < text.size()) {
        if (is_separator(text[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && !is_separator(text[end])) {
            ++end;
        }
        std::string_view token = text.substr(i, end - i);
        if (has_hex_prefix(token)) {
            token.remove_prefix(2);
        }
        if (token.empty() || token.size() % 2 != 0) {
            return std::nullopt;
        }
        for (size_t j = 0; j < token.size(); j += 2) {
            const int high = digit_value(token[j]);
            const int low = digit_value(token[j + 1]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            bytes.push_back(static_cast<uint8_t>(high << 4 | low));
        }
        i = end;
    }
    return bytes;
}

std::optional<unsigned long> parse_number(std::string_view text, unsigned long max) {
    int base = 10;
    if (has_hex_prefix(text)) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned long value = 0;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || stop != end || value > max) {
        return std::nullopt;
    }
    return value;
}

} // namespace panelink::board_models
