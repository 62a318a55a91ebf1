// Seven-segment encoding: numeric text turned into one pattern byte per digit.
//
// Two displays use it. A digit module on a port (WriteDisplayOutput) takes up to 7 digits in
// the standard segment order (a = bit 0 ... g = bit 6). The TANDEM board (WriteTANDEM) has two
// groups of 4 digits, one digit chosen by pattern number and two raw bytes, in its own segment
// order (a = bit 6 ... g = bit 0). Bit 7 is the decimal point in both.
//
// Texts are walked from their last character leftwards, so the rightmost character lands in
// digit position 0; a "." lights the decimal point of the character on its left.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "output_commands.h"

namespace panelink::seven_segment {

constexpr uint8_t kDecimalPoint = 0x80;

// Digits 0 to 9 in the standard segment order.
constexpr std::array<uint8_t, 10> kStandardDigits = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                                     0x6D, 0x7D, 0x07, 0x7F, 0x6F};

// The TANDEM pattern table: digits 0 to 9, then 10 minus, 11 "L", 12 "P", 13 three bars ("="),
// 14 blank, 15 "r".
constexpr std::array<uint8_t, 16> kTandemPatterns = {
    0x7E, 0x30, 0x6D, 0x79, 0x33, 0x5B, 0x5F, 0x70, 0x7F, 0x7B, 0x01, 0x0E, 0x67, 0x49, 0x00, 0x05};

// Digits on a module: positions 0 to 6 in bytes 9 to 15.
constexpr size_t kDisplayDigits = 7;
// Byte offsets of the TANDEM text layout (22 bytes).
constexpr size_t kTandemLayoutBytes = 22;
constexpr size_t kTandemGroupBytes = 9; // each group ends in a zero byte within its 9 bytes
constexpr size_t kTandemGroup2Offset = 9;
constexpr size_t kTandemPatternNumberOffset = 18;
constexpr size_t kTandemRawByteOffset = 20;
constexpr size_t kTandemGroupDigits = 4;

// Addressed command 0x2A for the digit module at `port`. `text` is zero-terminated and no byte
// past its terminator is read; characters left of the seventh shown position are not shown.
void build_display_output(output::ReportBuffer &report, uint8_t port, const char *text,
                          uint8_t parameter);

// Board command 0x37 for the TANDEM display from the 22-byte layout. Each group is read up to
// its zero byte and never beyond its own 9 bytes; a pattern number above 15 shows blank.
void build_tandem(output::ReportBuffer &report, const char *layout, uint8_t parameter);

} // namespace panelink::seven_segment
