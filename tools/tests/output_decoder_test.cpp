#include <array>
#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include "output_commands.h"
#include "output_decoder.h"
#include "seven_segment.h"

namespace panelink::board_models {
namespace {

using output::ReportBuffer;

// A report as the library builds it, cut to the 65 bytes a board receives.
struct Case {
    const char *what;
    std::function<void(ReportBuffer &)> build;
    const char *described;
};

std::array<uint8_t, 56> counting_bytes() {
    std::array<uint8_t, 56> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i + 1);
    }
    return bytes;
}

TEST(OutputDecoder, NamesEveryCommandTheLibraryBuilds) {
    const auto bytes = counting_bytes();
    uint8_t states[64] = {};
    states[0] = states[9] = states[63] = 1;
    const int32_t values[] = {-1, 7, 0x12345678};
    const char glcd[] = "first line of twenty-4!!second line, exactly 24.";
    const char tandem[22] = {'1', '.', '5', 0, 0, 0, 0, 0, 0, '-',  '7',
                             0,   0,   0,   0, 0, 0, 0, 8, 0, 0x12, 0x34};
    const uint8_t segment_bytes[] = {0xAB, 0xCD};
    const Case cases[] = {
        {"direct output",
         [&](ReportBuffer &r) { output::build_direct_output(r, 0x85, bytes.data()); },
         "direct output, port 133 (pair 66): 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f"},
        {"mux output", [&](ReportBuffer &r) { output::build_mux_output(r, 4, bytes.data()); },
         "mux output, port 4 (pair 2): 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 "
         "14 15 16 17 18 19 1a 1b 1c 1d 1e 1f 20 21 22 23 24 25 26 27 28 29 2a 2b 2c 2d 2e 2f "
         "30 31 32 33 34 35 36 37 38"},
        {"latched output",
         [&](ReportBuffer &r) { output::build_latched_output(r, 3, states, 0x7E); },
         "latched output, port 3 (pair 1), parameter 0x7e: outputs on: 0 9 63"},
        {"latched output, all off",
         [&](ReportBuffer &r) {
             const uint8_t off[64] = {};
             output::build_latched_output(r, 0, off, 0);
         },
         "latched output, port 0 (pair 0), parameter 0x00: no output on"},
        {"SPI DAC", [&](ReportBuffer &r) { output::build_spi_dac(r, 1, bytes.data(), 2); },
         "SPI DAC, port 1 (pair 0), parameter 0x02: 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f "
         "10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f 20 21 22 23 24 25 26 27 28"},
        {"GLCD command", [](ReportBuffer &r) { output::build_glcd_command(r, 6, 1, 0x02); },
         "GLCD command, port 6 (pair 3), parameter 0x01: command 0x02"},
        {"GLCD text, two lines",
         [&](ReportBuffer &r) { output::build_glcd_text(r, 7, 0x40, 5, 0, glcd); },
         "GLCD text, port 7 (pair 3), parameter 0x00: position 0x40, 2 lines "
         "\"first line of twenty-4!!\" \"second line, exactly 24.\""},
        {"GLCD text, no line",
         [](ReportBuffer &r) { output::build_glcd_text(r, 0, 1, 0, 0, nullptr); },
         "GLCD text, port 0 (pair 0), parameter 0x00: position 0x01, 0 lines"},
        {"dot matrix", [&](ReportBuffer &r) { output::build_dot_matrix(r, 2, bytes.data(), 9); },
         "dot matrix, port 2 (pair 1), parameter 0x09: 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e "
         "0f 10"},
        {"CRT/RWR", [&](ReportBuffer &r) { output::build_crt_rwr(r, 5, 0x10, 2, 1, values); },
         "CRT/RWR, pair 2: value 0x10, start index 1, 2 values: 7 305419896"},
        {"CRT/RWR, no value",
         [&](ReportBuffer &r) { output::build_crt_rwr(r, 5, 0x10, 0, 0, values); },
         "CRT/RWR, pair 2: value 0x10, start index 0, 0 values:"},
        {"display digits",
         [](ReportBuffer &r) { seven_segment::build_display_output(r, 9, "-12.5", 3); },
         "display digits, port 9 (pair 4), parameter 0x03: \"   -12.5\""},
        {"seven-segment bytes",
         [&](ReportBuffer &r) { output::build_seven_segment(r, segment_bytes); },
         "seven-segment bytes 0xab 0xcd"},
        {"clear LCD", [](ReportBuffer &r) { output::build_clear_lcd(r); }, "clear LCD"},
        {"LCD text",
         [](ReportBuffer &r) { output::build_lcd_text(r, 2, "Hello \"board\"\t 0123", 4); },
         "LCD text, selector 0x02, parameter 0x04: \"Hello \\x22board\\x22\\x09 0123\\x00\""},
        {"TANDEM", [&](ReportBuffer &r) { seven_segment::build_tandem(r, tandem, 0x11); },
         "TANDEM display, parameter 0x11: group 1 \"  1.5\", group 2 \"  -7\", digit \"8\", bytes "
         "0x12 "
         "0x34"},
    };
    for (const Case &c : cases) {
        ReportBuffer report{};
        c.build(report);
        const auto described = describe_output(report.data(), 65);
        ASSERT_TRUE(described.has_value()) << c.what;
        EXPECT_EQ(*described, c.described) << c.what;
    }
}

TEST(OutputDecoder, NamesTheStatusQueries) {
    uint8_t port_query[65] = {0x00, 0x00, 0x06, 0x04, 0x1C, 0x00, 0x25, 0x0B, 0x04};
    uint8_t input_query[65] = {0x00, 0x00, 0x0A, 0x1E, 0x1C, 0x00, 0x27, 0x03, 0x1E};
    uint8_t config_query[65] = {0x00, 0x00, 0x00, 0x00, 0x13};
    EXPECT_EQ(describe_output(port_query, 65), "port status query, pair 11");
    EXPECT_EQ(describe_output(input_query, 65), "pair input query, pair 3");
    EXPECT_EQ(describe_output(config_query, 65), "configuration status query");
}

TEST(OutputDecoder, LeavesUnknownReportsUnnamed) {
    uint8_t report[65] = {};
    EXPECT_FALSE(describe_output(report, 65)); // all zero: no command
    report[4] = 0x1C;
    report[6] = 0x99; // addressed, unknown code
    EXPECT_FALSE(describe_output(report, 65));
    report[4] = 0x55; // unknown board command
    EXPECT_FALSE(describe_output(report, 65));
    EXPECT_FALSE(describe_output(report, 0));
    EXPECT_FALSE(describe_output(nullptr, 65));
}

TEST(OutputDecoder, SaysWhenAReportIsShorterThanItsCommand) {
    ReportBuffer report{};
    const auto bytes = counting_bytes();
    output::build_direct_output(report, 0, bytes.data());
    EXPECT_EQ(describe_output(report.data(), 12),
              "direct output, port 0 (pair 0): 01 02 03 00 00 00 00 00 00 00 00 00 00 00 00 "
              "(short report: 12 of 24 bytes)");
    EXPECT_EQ(describe_output(report.data(), 24),
              "direct output, port 0 (pair 0): 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f");
}

TEST(SegmentsText, ReadsPatternsBackAsCharacters) {
    const struct {
        std::vector<uint8_t> right_to_left;
        bool tandem;
        const char *text;
    } cases[] = {
        {{0x66, 0xCF, 0x5B, 0x06}, false, "123.4"},
        {{0x4F, 0xDB, 0x86}, false, "1.2.3"},
        {{0x00, 0x80}, false, ". "}, // a lone point, a blank position
        {{0x6D, 0x40, 0x00}, false, " -5"},
        {{0x77}, false, "?"}, // "A" is no pattern of the order
        {{0x5B, 0xB0}, true, "1.5"},
        {{0x05, 0x01, 0x0E}, true, "L-r"},
        {{0x7B, 0x49, 0x67, 0x00}, true, " P=9"},
    };
    for (const auto &c : cases) {
        const std::string text =
            c.tandem ? tandem_segments_text(c.right_to_left.data(), c.right_to_left.size())
                     : standard_segments_text(c.right_to_left.data(), c.right_to_left.size());
        EXPECT_EQ(text, c.text);
    }
}

} // namespace
} // namespace panelink::board_models
