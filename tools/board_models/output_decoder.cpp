#include "output_decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include <panelink/panelink.h>

#include "hex.h"
#include "output_commands.h"
#include "seven_segment.h"
#include "status.h"

namespace panelink::board_models {
namespace {

// Byte offsets of the addressed command header and of board commands.
constexpr size_t kPayloadLength = 1;
constexpr size_t kPortBit = 2;
constexpr size_t kParameter = 3;
constexpr size_t kMarker = 4; // 0x1C for addressed commands, the command code of board ones
constexpr size_t kCommand = 6;
constexpr size_t kPair = 7;
constexpr size_t kPayload = output::kPayloadOffset;
constexpr uint8_t kAddressedMarker = 0x1C;

// The TANDEM board command: its code and where its digit groups and bytes sit.
constexpr uint8_t kTandemCommand = 0x37;
constexpr size_t kTandemGroup1 = 6;
constexpr size_t kTandemGroup2 = 10;
constexpr size_t kTandemDigit = 14;
constexpr size_t kTandemRawBytes = 15;

// A report whose bytes past its end read as 0.
struct Report {
    const uint8_t *data;
    size_t length;

    uint8_t at(size_t i) const { return i < length ? data[i] : 0; }
    std::string hex(size_t first, size_t count) const {
        std::string text;
        for (size_t i = 0; i < count; ++i) {
            const uint8_t byte = at(first + i);
            text += (i > 0 ? " " : "") + to_hex(&byte, 1);
        }
        return text;
    }
    // The characters of bytes first to first + count - 1, quoted; others as \xNN.
    std::string quoted(size_t first, size_t count) const {
        std::string text = "\"";
        for (size_t i = 0; i < count; ++i) {
            const uint8_t c = at(first + i);
            if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
                text += static_cast<char>(c);
            } else {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
                text += escaped;
            }
        }
        return text + "\"";
    }
};

std::string byte_text(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", value);
    return text;
}

std::string port_text(const Report &r) {
    const unsigned pair = r.at(kPair);
    const unsigned port = pair * 2 + (r.at(kPortBit) & 1u);
    return "port " + std::to_string(port) + " (pair " + std::to_string(pair) + ")";
}

std::string parameter_text(const Report &r) {
    return ", parameter " + byte_text(r.at(kParameter));
}

std::string payload_bytes(const Report &r) {
    return r.hex(kPayload, r.at(kPayloadLength));
}

std::string latched_states(const Report &r) {
    std::string on;
    for (unsigned state = 0; state < PANELINK_LATCHED_OUTPUT_STATES; ++state) {
        if (r.at(kPayload + state / 8) >> (state % 8) & 1u) {
            on += " " + std::to_string(state);
        }
    }
    return on.empty() ? "no output on" : "outputs on:" + on;
}

std::string display_digits(const Report &r) {
    uint8_t patterns[seven_segment::kDisplayDigits];
    for (size_t i = 0; i < seven_segment::kDisplayDigits; ++i) {
        patterns[i] = r.at(kPayload + i);
    }
    return "\"" + standard_segments_text(patterns, seven_segment::kDisplayDigits) + "\"";
}

std::string crt_rwr(const Report &r) {
    const unsigned count = r.at(kPortBit);
    std::string text = "value " + byte_text(r.at(kPayload)) + ", start index " +
                       std::to_string(r.at(kParameter)) + ", " + std::to_string(count) +
                       (count == 1 ? " value:" : " values:");
    for (unsigned i = 0; i < count; ++i) {
        const size_t at = kPayload + 1 + 4 * i;
        const uint32_t bits = static_cast<uint32_t>(r.at(at)) | r.at(at + 1) << 8 |
                              r.at(at + 2) << 16 | static_cast<uint32_t>(r.at(at + 3)) << 24;
        text += " " + std::to_string(static_cast<int32_t>(bits));
    }
    return text;
}

std::string glcd_text(const Report &r) {
    const unsigned lines = r.at(kPayload + 2);
    std::string text = "position " + byte_text(r.at(kPayload + 1)) + ", " + std::to_string(lines) +
                       (lines == 1 ? " line" : " lines");
    for (unsigned line = 0; line < lines && line < output::kGlcdMaxLines; ++line) {
        text += " " +
                r.quoted(kPayload + 3 + line * PANELINK_GLCD_LINE_BYTES, PANELINK_GLCD_LINE_BYTES);
    }
    return text;
}

// Addressed commands (0x1C in byte 4), by command code and, where codes are shared, by payload
// length. The first matching row names the report.
struct AddressedCommand {
    uint8_t code;
    int payload_length; // -1: any
    const char *name;
    bool has_parameter;
    std::string (*details)(const Report &);
};

const AddressedCommand kAddressedCommands[] = {
    {output::kCmdDigitalOutput, PANELINK_DIRECT_OUTPUT_BYTES, "direct output", false,
     payload_bytes},
    {output::kCmdDigitalOutput, PANELINK_MUX_OUTPUT_BYTES, "mux output", false, payload_bytes},
    {output::kCmdDigitalOutput, PANELINK_LATCHED_OUTPUT_STATES / 8, "latched output", true,
     latched_states},
    {output::kCmdDigitalOutput, -1, "digital output", true, payload_bytes},
    {output::kCmdDisplayDigits, -1, "display digits", true, display_digits},
    {output::kCmdGlcd, 1, "GLCD command", true,
     [](const Report &r) { return "command " + byte_text(r.at(kPayload)); }},
    {output::kCmdGlcd, -1, "GLCD text", true, glcd_text},
    {output::kCmdSpiDac, -1, "SPI DAC", true, payload_bytes},
    {output::kCmdDotMatrix, -1, "dot matrix", true,
     [](const Report &r) { return r.hex(kPayload, PANELINK_DOT_MATRIX_BYTES); }},
};

std::string short_note(const Report &r, size_t needed) {
    if (r.length >= needed) {
        return {};
    }
    return " (short report: " + std::to_string(r.length) + " of " + std::to_string(needed) +
           " bytes)";
}

std::optional<std::string> describe_addressed(const Report &r) {
    const uint8_t code = r.at(kCommand);
    const std::string pair = "pair " + std::to_string(r.at(kPair));
    if (code == status::kPortStatusCode) {
        return "port status query, " + pair + short_note(r, kPair + 1);
    }
    if (code == status::kPairInputCode) {
        return "pair input query, " + pair + short_note(r, kPair + 1);
    }
    if (code == output::kCmdCrtRwr) {
        // Bytes 2 and 3 carry the value count and start index, so only the pair is addressed.
        return "CRT/RWR, " + pair + ": " + crt_rwr(r) +
               short_note(r, kPayload + 1 + 4 * size_t{r.at(kPortBit)});
    }
    const int length = r.at(kPayloadLength);
    for (const AddressedCommand &command : kAddressedCommands) {
        if (command.code != code ||
            (command.payload_length >= 0 && command.payload_length != length)) {
            continue;
        }
        return std::string(command.name) + ", " + port_text(r) +
               (command.has_parameter ? parameter_text(r) : "") + ": " + command.details(r) +
               short_note(r, kPayload + length);
    }
    return std::nullopt;
}

std::string tandem(const Report &r) {
    uint8_t group1[seven_segment::kTandemGroupDigits];
    uint8_t group2[seven_segment::kTandemGroupDigits];
    for (size_t i = 0; i < seven_segment::kTandemGroupDigits; ++i) {
        group1[i] = r.at(kTandemGroup1 + i);
        group2[i] = r.at(kTandemGroup2 + i);
    }
    const uint8_t digit = r.at(kTandemDigit);
    return "group 1 \"" + tandem_segments_text(group1, seven_segment::kTandemGroupDigits) +
           "\", group 2 \"" + tandem_segments_text(group2, seven_segment::kTandemGroupDigits) +
           "\", digit \"" + tandem_segments_text(&digit, 1) + "\", bytes " +
           byte_text(r.at(kTandemRawBytes)) + " " + byte_text(r.at(kTandemRawBytes + 1));
}

std::optional<std::string> describe_board_command(const Report &r) {
    switch (r.at(kMarker)) {
    case status::kConfigStatusCode:
        return "configuration status query";
    case output::kCmdSevenSegment:
        return "seven-segment bytes " + byte_text(r.at(6)) + " " + byte_text(r.at(7)) +
               short_note(r, 8);
    case output::kCmdLcd:
        if (r.at(5) == 0) {
            return std::string("clear LCD");
        }
        return "LCD text, selector " + byte_text(r.at(7)) + parameter_text(r) + ": " +
               r.quoted(kPayload, PANELINK_LCD_CHARS) +
               short_note(r, kPayload + PANELINK_LCD_CHARS);
    case kTandemCommand:
        return "TANDEM display" + parameter_text(r) + ": " + tandem(r) +
               short_note(r, kTandemRawBytes + 2);
    default:
        return std::nullopt;
    }
}

// Characters of a segment order: `patterns[i]` shows `characters[i]`.
std::string segments_text(const uint8_t *patterns_right_to_left, size_t count,
                          std::span<const uint8_t> patterns, const char *characters) {
    std::string text;
    for (size_t i = count; i-- > 0;) {
        const uint8_t value = patterns_right_to_left[i];
        const uint8_t segments = value & static_cast<uint8_t>(~seven_segment::kDecimalPoint);
        char shown = '?';
        for (size_t k = 0; k < patterns.size(); ++k) {
            if (patterns[k] == segments) {
                shown = characters[k];
                break;
            }
        }
        const bool point = value & seven_segment::kDecimalPoint;
        if (!(shown == ' ' && point)) {
            text += shown;
        }
        if (point) {
            text += '.';
        }
    }
    return text;
}

} // namespace

std::string standard_segments_text(const uint8_t *patterns_right_to_left, size_t count) {
    // The ten digits, then minus and blank.
    static constexpr uint8_t kPatterns[] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D,
                                            0x7D, 0x07, 0x7F, 0x6F, 0x40, 0x00};
    static_assert(std::equal(seven_segment::kStandardDigits.begin(),
                             seven_segment::kStandardDigits.end(), kPatterns));
    return segments_text(patterns_right_to_left, count, kPatterns, "0123456789- ");
}

std::string tandem_segments_text(const uint8_t *patterns_right_to_left, size_t count) {
    return segments_text(patterns_right_to_left, count, seven_segment::kTandemPatterns,
                         "0123456789-LP= r");
}

std::optional<std::string> describe_output(const uint8_t *report, size_t length) {
    if (report == nullptr || length == 0) {
        return std::nullopt;
    }
    const Report r{report, length};
    if (r.at(kMarker) == kAddressedMarker) {
        return describe_addressed(r);
    }
    return describe_board_command(r);
}

} // namespace panelink::board_models
