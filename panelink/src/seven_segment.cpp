#include "seven_segment.h"

#include <algorithm>
#include <cstring>

namespace panelink::seven_segment {
namespace {

constexpr uint8_t kCmdTandem = 0x37;
constexpr uint8_t kDisplayPayload = 8; // 7 digit positions and one spare byte
constexpr uint8_t kStandardMinus = 0x40;
constexpr size_t kTandemGroup1Byte = 6;
constexpr size_t kTandemGroup2Byte = 10;
constexpr size_t kTandemSingleDigitByte = 14;

// A character that is not special counts as a one-character decimal number: "0" to "9" give
// their value, anything else 0.
size_t digit_value(unsigned char c) {
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

// Module digits: positions[0] is the rightmost. A "." carries its decimal point to the
// character on its left, except when it is the last character (nothing on the right to keep
// the position apart), where it lights nothing.
void walk_display_text(uint8_t (&positions)[kDisplayDigits], const char *text) {
    int n = 0;
    for (size_t i = std::strlen(text); i-- > 0;) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '.':
            if (n > 0) {
                positions[n] |= kDecimalPoint;
                --n;
            }
            break;
        case '-':
            positions[n] = kStandardMinus;
            break;
        case ' ':
            positions[n] = 0x00;
            break;
        default:
            positions[n] |= kStandardDigits[digit_value(c)];
            break;
        }
        if (++n >= static_cast<int>(kDisplayDigits))
            break;
    }
}

// The TANDEM pattern a character ORs into its position; 0 leaves the position unchanged.
uint8_t tandem_pattern(unsigned char c) {
    switch (c) {
    case '-':
        return kTandemPatterns[10];
    case 'L':
        return kTandemPatterns[11];
    case 'P':
        return kTandemPatterns[12];
    case '=':
        return kTandemPatterns[13];
    case 'r':
        return kTandemPatterns[15];
    case ' ':
        return 0x00;
    default:
        break;
    }
    if (c >= '0' && c <= '9')
        return kTandemPatterns[c - '0'];
    if (c >= 0x3A && c <= 0x7F)
        return 0x00; // letters and other printable characters show nothing
    return kTandemPatterns[0];
}

// One TANDEM group of 4 digits from a text of at most kTandemGroupBytes bytes. Unlike the
// module walk, a "." lights the decimal point of its own position even at position 0, and the
// character on its left shares that position.
void walk_tandem_group(uint8_t *positions, const char *group) {
    const char *end = std::find(group, group + kTandemGroupBytes, '\0');
    int n = 0;
    for (const char *p = end; p-- != group;) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '.') {
            positions[n] |= kDecimalPoint;
            --n;
        } else {
            positions[n] |= tandem_pattern(c);
        }
        if (++n >= static_cast<int>(kTandemGroupDigits))
            break;
    }
}

} // namespace

void build_display_output(output::ReportBuffer &report, uint8_t port, const char *text,
                          uint8_t parameter) {
    report.fill(0);
    output::put_addressed_header(report, kDisplayPayload, port, parameter,
                                 output::kCmdDisplayDigits);
    uint8_t positions[kDisplayDigits] = {};
    walk_display_text(positions, text);
    std::copy(std::begin(positions), std::end(positions), report.begin() + output::kPayloadOffset);
}

void build_tandem(output::ReportBuffer &report, const char *layout, uint8_t parameter) {
    report.fill(0);
    report[3] = parameter;
    report[4] = kCmdTandem;
    walk_tandem_group(report.data() + kTandemGroup1Byte, layout);
    walk_tandem_group(report.data() + kTandemGroup2Byte, layout + kTandemGroup2Offset);
    const auto number = static_cast<uint8_t>(layout[kTandemPatternNumberOffset]);
    report[kTandemSingleDigitByte] = number < kTandemPatterns.size() ? kTandemPatterns[number] : 0;
    report[kTandemSingleDigitByte + 1] = static_cast<uint8_t>(layout[kTandemRawByteOffset]);
    report[kTandemSingleDigitByte + 2] = static_cast<uint8_t>(layout[kTandemRawByteOffset + 1]);
}

} // namespace panelink::seven_segment

namespace ss = panelink::seven_segment;

extern "C" {

PANELINK_API int32_t PANELINK_CALL WriteDisplayOutput(DeviceRecord *record, int32_t port,
                                                      const char *text, int32_t parameter) {
    if (!record || !text)
        return 0;
    panelink::output::ReportBuffer report;
    ss::build_display_output(report, static_cast<uint8_t>(port), text,
                             static_cast<uint8_t>(parameter));
    return panelink::output::send_report(record, report);
}

PANELINK_API int32_t PANELINK_CALL WriteTANDEM(DeviceRecord *record, const char *layout,
                                               int32_t parameter) {
    if (!record || !layout)
        return 0;
    panelink::output::ReportBuffer report;
    ss::build_tandem(report, layout, static_cast<uint8_t>(parameter));
    return panelink::output::send_report(record, report);
}

} // extern "C"
