#include "arguments.h"

#include <charconv>

#include <panelink/panelink.h>

namespace panelink::cli {
namespace {

bool is_separator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == ':';
}

bool has_hex_prefix(std::string_view text) {
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// Appends the bytes of one piece (no separators in it); false when it is not hexadecimal.
bool append_piece(std::string_view piece, std::vector<uint8_t> &bytes) {
    if (has_hex_prefix(piece))
        piece.remove_prefix(2);
    if (piece.size() > 2 && piece.size() % 2 != 0)
        return false;
    const size_t step = piece.size() <= 2 ? piece.size() : 2;
    for (size_t at = 0; at < piece.size(); at += step) {
        uint8_t value = 0;
        const char *first = piece.data() + at;
        const auto [end, error] = std::from_chars(first, first + step, value, 16);
        if (error != std::errc{} || end != first + step)
            return false;
        bytes.push_back(value);
    }
    return true;
}

} // namespace

std::optional<int64_t> parse_number(std::string_view text, int64_t min, int64_t max) {
    int64_t value = 0;
    std::from_chars_result result{};
    if (has_hex_prefix(text)) {
        result = std::from_chars(text.data() + 2, text.data() + text.size(), value, 16);
    } else {
        result = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    }
    if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size())
        return std::nullopt;
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<std::vector<uint8_t>> parse_hex_bytes(const std::vector<std::string> &arguments) {
    std::vector<uint8_t> bytes;
    for (const std::string &argument : arguments) {
        size_t at = 0;
        while (at < argument.size()) {
            if (is_separator(argument[at])) {
                ++at;
                continue;
            }
            size_t end = at;
            while (end < argument.size() && !is_separator(argument[end]))
                ++end;
            if (!append_piece(std::string_view(argument).substr(at, end - at), bytes))
                return std::nullopt;
            at = end;
        }
    }
    return bytes;
}

CLI::Validator number_range(int64_t min, int64_t max) {
    const std::string range = std::to_string(min) + " to " + std::to_string(max);
    return CLI::Validator(
        [=](std::string &text) -> std::string {
            const auto value = parse_number(text, min, max);
            if (!value)
                return "'" + text + "' is not a number from " + range +
                       " (decimal or 0x hexadecimal)";
            text = std::to_string(*value);
            return {};
        },
        "");
}

const std::map<std::string, int32_t> &detection_modes() {
    static const std::map<std::string, int32_t> modes = {
        {"standard", PANELINK_MODE_STANDARD}, {"all", PANELINK_MODE_ALL_DEVICES},
        {"devices", PANELINK_MODE_DEVICES},   {"flash", PANELINK_MODE_FLASH},
        {"report", PANELINK_MODE_REPORT},
    };
    return modes;
}

void add_mode_option(CLI::App &app, int32_t &mode) {
    mode = PANELINK_MODE_STANDARD;
    app.add_option("--mode", mode,
                   "Which boards detection finds: standard (the standard product list), all (a "
                   "short list of input/output boards), devices (configuration interfaces of "
                   "dual-interface boards), flash (boards waiting for firmware), report (the "
                   "report-type boards); default standard")
        ->transform(CLI::CheckedTransformer(detection_modes(), CLI::ignore_case).description(""))
        ->type_name("MODE");
}

} // namespace panelink::cli
