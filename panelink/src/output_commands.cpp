#include "output_commands.h"

#include <algorithm>
#include <cstring>

namespace panelink::output {
namespace {

constexpr uint8_t kSpace = 0x20;

// Payload lengths (byte 1) of the fixed-size addressed commands.
constexpr uint8_t kDotMatrixPayload = PANELINK_DOT_MATRIX_BYTES + 1; // and a closing zero
constexpr uint8_t kCrtRwrPayload = 56;  // fixed, whatever the value count
constexpr uint8_t kGlcdTextHead = 0x02; // byte 9 of a GLCD text report

// Every report fits the buffer.
static_assert(kPayloadOffset + PANELINK_MUX_OUTPUT_BYTES <= kReportBufferSize);
static_assert(kPayloadOffset + PANELINK_SPI_DAC_BYTES <= kReportBufferSize);
static_assert(kPayloadOffset + 3 + size_t{kGlcdMaxLines} * PANELINK_GLCD_LINE_BYTES <=
              kReportBufferSize);
static_assert(kPayloadOffset + 1 + size_t{4} * PANELINK_CRTRWR_MAX_VALUES <= kReportBufferSize);
static_assert(kPayloadOffset + PANELINK_LCD_CHARS <= kReportBufferSize);
static_assert(PANELINK_LATCHED_OUTPUT_STATES % 8 == 0);

void copy_payload(ReportBuffer &report, size_t offset, const void *data, size_t length) {
    std::memcpy(report.data() + offset, data, length);
}

void put_board_command(ReportBuffer &report, uint8_t parameter, uint8_t command) {
    report[3] = parameter;
    report[4] = command;
}

} // namespace

void put_addressed_header(ReportBuffer &report, uint8_t payload_length, uint8_t port,
                          uint8_t parameter, uint8_t command) {
    report[0] = 0x00;
    report[1] = payload_length;
    report[2] = port & 0x01;
    report[3] = parameter;
    report[4] = 0x1C;
    report[5] = 0x02;
    report[6] = command;
    report[7] = port >> 1;
    report[8] = 0x00;
}

void build_direct_output(ReportBuffer &report, uint8_t port, const uint8_t *data) {
    report.fill(0);
    put_addressed_header(report, PANELINK_DIRECT_OUTPUT_BYTES, port, 0, kCmdDigitalOutput);
    copy_payload(report, kPayloadOffset, data, PANELINK_DIRECT_OUTPUT_BYTES);
}

void build_mux_output(ReportBuffer &report, uint8_t port, const uint8_t *data) {
    report.fill(0);
    put_addressed_header(report, PANELINK_MUX_OUTPUT_BYTES, port, 0, kCmdDigitalOutput);
    copy_payload(report, kPayloadOffset, data, PANELINK_MUX_OUTPUT_BYTES);
}

void build_latched_output(ReportBuffer &report, uint8_t port, const uint8_t *states,
                          uint8_t parameter) {
    report.fill(0);
    put_addressed_header(report, PANELINK_LATCHED_OUTPUT_STATES / 8, port, parameter,
                         kCmdDigitalOutput);
    for (size_t i = 0; i < PANELINK_LATCHED_OUTPUT_STATES; ++i)
        report[kPayloadOffset + i / 8] |= static_cast<uint8_t>(states[i] << (i % 8));
}

void build_spi_dac(ReportBuffer &report, uint8_t port, const uint8_t *data, uint8_t parameter) {
    report.fill(0);
    put_addressed_header(report, PANELINK_SPI_DAC_BYTES, port, parameter, kCmdSpiDac);
    copy_payload(report, kPayloadOffset, data, PANELINK_SPI_DAC_BYTES);
}

void build_glcd_command(ReportBuffer &report, uint8_t port, uint8_t parameter, uint8_t command) {
    report.fill(0);
    put_addressed_header(report, 1, port, parameter, kCmdGlcd);
    report[kPayloadOffset] = command;
}

void build_glcd_text(ReportBuffer &report, uint8_t port, uint8_t position, uint8_t line_count,
                     uint8_t parameter, const char *text) {
    const uint8_t lines = std::min(line_count, kGlcdMaxLines);
    const size_t text_bytes = lines * size_t{PANELINK_GLCD_LINE_BYTES};
    constexpr size_t text_offset = kPayloadOffset + 3;
    report.fill(0);
    put_addressed_header(report, static_cast<uint8_t>(text_bytes + 3), port, parameter, kCmdGlcd);
    report[kPayloadOffset] = kGlcdTextHead;
    report[kPayloadOffset + 1] = position;
    report[kPayloadOffset + 2] = lines;
    if (text)
        copy_payload(report, text_offset, text, text_bytes);
    else
        std::fill_n(report.begin() + text_offset, text_bytes, kSpace);
}

void build_dot_matrix(ReportBuffer &report, uint8_t port, const uint8_t *patterns,
                      uint8_t parameter) {
    report.fill(0);
    put_addressed_header(report, kDotMatrixPayload, port, parameter, kCmdDotMatrix);
    copy_payload(report, kPayloadOffset, patterns, PANELINK_DOT_MATRIX_BYTES);
}

void build_crt_rwr(ReportBuffer &report, uint8_t port, uint8_t value, uint8_t count,
                   uint8_t start_index, const int32_t *values) {
    const uint8_t n = std::min<uint8_t>(count, PANELINK_CRTRWR_MAX_VALUES);
    report.fill(0);
    put_addressed_header(report, kCrtRwrPayload, port, start_index, kCmdCrtRwr);
    report[2] = n; // this command carries its value count where the others carry the port bit
    report[kPayloadOffset] = value;
    for (size_t i = 0; i < n; ++i) {
        const auto v = static_cast<uint32_t>(values[start_index + i]);
        for (size_t b = 0; b < 4; ++b)
            report[kPayloadOffset + 1 + 4 * i + b] = static_cast<uint8_t>(v >> (8 * b));
    }
}

void build_seven_segment(ReportBuffer &report, const uint8_t *bytes) {
    report.fill(0);
    put_board_command(report, 0, kCmdSevenSegment);
    report[6] = bytes[0];
    report[7] = bytes[1];
}

void build_clear_lcd(ReportBuffer &report) {
    report.fill(0);
    put_board_command(report, 0, kCmdLcd);
}

void build_lcd_text(ReportBuffer &report, uint8_t selector, const char *text, uint8_t parameter) {
    report.fill(0);
    put_board_command(report, parameter, kCmdLcd);
    report[5] = 0x01; // write, as opposed to clear
    report[6] = 0x01;
    report[7] = selector;
    report[8] = PANELINK_LCD_CHARS;
    if (text)
        copy_payload(report, kPayloadOffset, text, PANELINK_LCD_CHARS);
    else
        std::fill_n(report.begin() + kPayloadOffset, PANELINK_LCD_CHARS, kSpace);
}

bool fits_report_buffer(const DeviceRecord &record) {
    return record.OutputReportByteLength <= kReportBufferSize;
}

int32_t send_report(DeviceRecord *record, const ReportBuffer &report) {
    if (!record || !fits_report_buffer(*record))
        return 0;
    return WriteData(record, report.data());
}

} // namespace panelink::output

namespace {

using panelink::output::ReportBuffer;

uint8_t low_byte(int32_t value) {
    return static_cast<uint8_t>(value);
}

// Builds with `build` and sends. Sends nothing and returns 0 for a null record, or when the
// command needs data from the caller and its pointer is null.
template <typename Build> int32_t build_and_send(DeviceRecord *record, bool has_data, Build build) {
    if (!record || !has_data)
        return 0;
    ReportBuffer report;
    build(report);
    return panelink::output::send_report(record, report);
}

// For commands whose data may be null (a null LCD text means spaces) or that take none.
constexpr bool kNoDataNeeded = true;

} // namespace

namespace out = panelink::output;

extern "C" {

PANELINK_API int32_t PANELINK_CALL WriteDirectOutput(DeviceRecord *record, int32_t port,
                                                     const uint8_t *data) {
    return build_and_send(record, data != nullptr, [&](ReportBuffer &r) {
        out::build_direct_output(r, low_byte(port), data);
    });
}

PANELINK_API int32_t PANELINK_CALL WriteMuxOutput(DeviceRecord *record, int32_t port,
                                                  const uint8_t *data) {
    return build_and_send(record, data != nullptr,
                          [&](ReportBuffer &r) { out::build_mux_output(r, low_byte(port), data); });
}

PANELINK_API int32_t PANELINK_CALL WriteLatchedOutput(DeviceRecord *record, int32_t port,
                                                      const uint8_t *states, int32_t parameter) {
    return build_and_send(record, states != nullptr, [&](ReportBuffer &r) {
        out::build_latched_output(r, low_byte(port), states, low_byte(parameter));
    });
}

PANELINK_API int32_t PANELINK_CALL WriteSPIDAC(DeviceRecord *record, int32_t port,
                                               const uint8_t *data, int32_t parameter) {
    return build_and_send(record, data != nullptr, [&](ReportBuffer &r) {
        out::build_spi_dac(r, low_byte(port), data, low_byte(parameter));
    });
}

PANELINK_API int32_t PANELINK_CALL CmdGLCD(DeviceRecord *record, int32_t port, int32_t parameter,
                                           int32_t command) {
    return build_and_send(record, kNoDataNeeded, [&](ReportBuffer &r) {
        out::build_glcd_command(r, low_byte(port), low_byte(parameter), low_byte(command));
    });
}

PANELINK_API int32_t PANELINK_CALL WriteGLCD(DeviceRecord *record, int32_t port, int32_t position,
                                             int32_t line_count, int32_t parameter,
                                             const char *text) {
    return build_and_send(record, kNoDataNeeded, [&](ReportBuffer &r) {
        out::build_glcd_text(r, low_byte(port), low_byte(position), low_byte(line_count),
                             low_byte(parameter), text);
    });
}

PANELINK_API int32_t PANELINK_CALL WriteDotMatrix(DeviceRecord *record, int32_t port,
                                                  const uint8_t *patterns, int32_t parameter) {
    return build_and_send(record, patterns != nullptr, [&](ReportBuffer &r) {
        out::build_dot_matrix(r, low_byte(port), patterns, low_byte(parameter));
    });
}

PANELINK_API int32_t PANELINK_CALL WriteCRTRWR(DeviceRecord *record, int32_t port, int32_t value,
                                               int32_t count, int32_t start_index,
                                               const int32_t *values) {
    return build_and_send(record, values != nullptr || low_byte(count) == 0, [&](ReportBuffer &r) {
        out::build_crt_rwr(r, low_byte(port), low_byte(value), low_byte(count),
                           low_byte(start_index), values);
    });
}

PANELINK_API int32_t PANELINK_CALL Write7Segment(DeviceRecord *record, const uint8_t *bytes) {
    return build_and_send(record, bytes != nullptr,
                          [&](ReportBuffer &r) { out::build_seven_segment(r, bytes); });
}

PANELINK_API int32_t PANELINK_CALL ClearLCD(DeviceRecord *record, int32_t /*unused*/) {
    return build_and_send(record, kNoDataNeeded, [](ReportBuffer &r) { out::build_clear_lcd(r); });
}

PANELINK_API int32_t PANELINK_CALL WriteLCD(DeviceRecord *record, int32_t /*unused*/,
                                            int32_t selector, const char *text, int32_t parameter) {
    return build_and_send(record, kNoDataNeeded, [&](ReportBuffer &r) {
        out::build_lcd_text(r, low_byte(selector), text, low_byte(parameter));
    });
}

} // extern "C"
