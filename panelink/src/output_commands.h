// Output command reports: one HID output report per call, built in a fixed 68-byte buffer and
// sent with WriteData.
//
// Two report styles exist. Addressed commands reach a module on one of the board's ports and
// carry a 9-byte header (report ID, payload length, port within the pair, parameter byte,
// 0x1C 0x02, command code, pair number, 0) with their payload from byte 9 on. Board commands
// carry their command code in byte 4. Ports 2k and 2k + 1 form pair k.
//
// The builders are pure: each fills the whole buffer (bytes it does not set are zero) and
// never reads more than its fixed length from a data pointer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include <panelink/panelink.h>

namespace panelink::output {

// Every output report is built in a buffer of this size; the largest report needs 65 bytes.
constexpr size_t kReportBufferSize = 68;
using ReportBuffer = std::array<uint8_t, kReportBufferSize>;

// The fixed data lengths read from the caller's pointers are panelink.h's PANELINK_*_BYTES,
// PANELINK_LATCHED_OUTPUT_STATES, PANELINK_CRTRWR_MAX_VALUES and PANELINK_LCD_CHARS.

// Lines of text a GLCD report carries at the most.
constexpr uint8_t kGlcdMaxLines = 2;

// Command codes of addressed commands (byte 6) and board commands (byte 4).
constexpr uint8_t kCmdDigitalOutput = 0x29;
constexpr uint8_t kCmdDisplayDigits = 0x2A;
constexpr uint8_t kCmdCrtRwr = 0x2C;
constexpr uint8_t kCmdGlcd = 0x2D;
constexpr uint8_t kCmdSpiDac = 0x2E;
constexpr uint8_t kCmdDotMatrix = 0x36;
constexpr uint8_t kCmdSevenSegment = 0x21;
constexpr uint8_t kCmdLcd = 0x2B;

// Offset of the first payload byte of an addressed command.
constexpr size_t kPayloadOffset = 9;

// Writes bytes 0 to 8 of an addressed command: byte 2 is bit 0 of the port, byte 7 the pair
// number (port >> 1). Other bytes of the buffer are left as they are.
void put_addressed_header(ReportBuffer &report, uint8_t payload_length, uint8_t port,
                          uint8_t parameter, uint8_t command);

void build_direct_output(ReportBuffer &report, uint8_t port, const uint8_t *data);
void build_mux_output(ReportBuffer &report, uint8_t port, const uint8_t *data);
// Packs 64 one-byte states into bytes 9 to 16, state 0 in bit 0 of byte 9. A state value
// above 1 is shifted like any other and may set further bits of its byte.
void build_latched_output(ReportBuffer &report, uint8_t port, const uint8_t *states,
                          uint8_t parameter);
void build_spi_dac(ReportBuffer &report, uint8_t port, const uint8_t *data, uint8_t parameter);
void build_glcd_command(ReportBuffer &report, uint8_t port, uint8_t parameter, uint8_t command);
// At most two 24-byte lines; a null text sends spaces.
void build_glcd_text(ReportBuffer &report, uint8_t port, uint8_t position, uint8_t line_count,
                     uint8_t parameter, const char *text);
void build_dot_matrix(ReportBuffer &report, uint8_t port, const uint8_t *patterns,
                      uint8_t parameter);
// Sends at most 13 values, values[start_index] onward, each least significant byte first.
void build_crt_rwr(ReportBuffer &report, uint8_t port, uint8_t value, uint8_t count,
                   uint8_t start_index, const int32_t *values);
void build_seven_segment(ReportBuffer &report, const uint8_t *bytes);
void build_clear_lcd(ReportBuffer &report);
// Exactly 20 characters from the text, terminator or not; a null text sends spaces.
void build_lcd_text(ReportBuffer &report, uint8_t selector, const char *text, uint8_t parameter);

// Sends a built report with WriteData and returns its result. Returns 0 without sending for a
// null record, or for a record whose OutputReportByteLength exceeds the buffer (WriteData would
// send bytes from beyond it).
int32_t send_report(DeviceRecord *record, const ReportBuffer &report);

// True when WriteData may send `record`'s output report length from a ReportBuffer.
bool fits_report_buffer(const DeviceRecord &record);

} // namespace panelink::output
