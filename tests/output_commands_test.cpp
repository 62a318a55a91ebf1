// The output commands end to end: each export's report as the virtual board receives it.
#include <array>
#include <cstring>
#include <functional>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "support/open_board.h"
#include "support/sim_boards.h"

namespace {

using panelink::test::report_with;
using Bytes = std::vector<uint8_t>;

constexpr size_t kReportLength = 65;

void put(Bytes &report, size_t offset, const void *data, size_t length) {
    std::memcpy(report.data() + offset, data, length);
}

// Data whose every byte is nonzero and differs from its neighbours.
template <size_t N> std::array<uint8_t, N> sample_bytes(uint8_t first) {
    std::array<uint8_t, N> data;
    std::iota(data.begin(), data.end(), first);
    return data;
}

class OutputCommandsTest : public panelink::test::OneBoardTest {
  protected:
    void TearDown() override {
        EXPECT_TRUE(board->pop_all_output().empty()) << "reports left unchecked";
        OneBoardTest::TearDown();
    }
    DeviceRecord *record() { return &board->record(); }

    // Sends with `send`, expects the full report length as result, and returns what arrived.
    Bytes sent_by(const std::function<int32_t(DeviceRecord *)> &send) {
        EXPECT_EQ(send(record()), static_cast<int32_t>(kReportLength));
        Bytes report = board->pop_output();
        EXPECT_EQ(report.size(), kReportLength);
        return report;
    }

    const std::array<uint8_t, 15> direct = sample_bytes<15>(0x10);
    const std::array<uint8_t, 56> mux = sample_bytes<56>(0x40);
    const std::array<uint8_t, 40> dac = sample_bytes<40>(0x80);
    const std::array<uint8_t, 16> dots = sample_bytes<16>(0xC0);
    const std::array<uint8_t, 2> segments = {0xAB, 0xCD};
    const std::array<int32_t, 4> crt_values = {0x11223344, 0x55667788, -2, 0x0A0B0C0D};
    std::array<char, 20> lcd_text = {};
    std::array<char, 24> glcd_line = {};
    std::array<uint8_t, 64> latched = {};
};

// Every command once, with every byte it sends.
TEST_F(OutputCommandsTest, EachCommandSendsItsReportByteForByte) {
    std::memcpy(lcd_text.data(), "Twenty characters!!!", 20);
    std::memcpy(glcd_line.data(), "A graphic LCD text line.", 24);
    latched[0] = 1;
    latched[9] = 1;

    struct Case {
        const char *name;
        std::function<int32_t(DeviceRecord *)> send;
        Bytes expected;
    };
    std::vector<Case> cases;

    Bytes r = report_with({{1, 15}, {2, 1}, {4, 0x1C}, {5, 0x02}, {6, 0x29}, {7, 2}});
    put(r, 9, direct.data(), 15);
    cases.push_back({"WriteDirectOutput",
                     [&](DeviceRecord *d) { return WriteDirectOutput(d, 5, direct.data()); }, r});

    r = report_with({{1, 56}, {2, 0}, {4, 0x1C}, {5, 0x02}, {6, 0x29}, {7, 2}});
    put(r, 9, mux.data(), 56);
    cases.push_back(
        {"WriteMuxOutput", [&](DeviceRecord *d) { return WriteMuxOutput(d, 4, mux.data()); }, r});

    r = report_with({{1, 8},
                     {2, 1},
                     {3, 0x33},
                     {4, 0x1C},
                     {5, 0x02},
                     {6, 0x29},
                     {7, 3},
                     {9, 0x01},
                     {10, 0x02}});
    cases.push_back(
        {"WriteLatchedOutput",
         [&](DeviceRecord *d) { return WriteLatchedOutput(d, 7, latched.data(), 0x33); }, r});

    r = report_with({{1, 40}, {3, 0x44}, {4, 0x1C}, {5, 0x02}, {6, 0x2E}, {7, 1}});
    put(r, 9, dac.data(), 40);
    cases.push_back(
        {"WriteSPIDAC", [&](DeviceRecord *d) { return WriteSPIDAC(d, 2, dac.data(), 0x44); }, r});

    r = report_with({{1, 1}, {2, 1}, {3, 0x55}, {4, 0x1C}, {5, 0x02}, {6, 0x2D}, {9, 0x66}});
    cases.push_back({"CmdGLCD", [&](DeviceRecord *d) { return CmdGLCD(d, 1, 0x55, 0x66); }, r});

    r = report_with({{1, 27},
                     {2, 1},
                     {3, 0x77},
                     {4, 0x1C},
                     {5, 0x02},
                     {6, 0x2D},
                     {7, 1},
                     {9, 0x02},
                     {10, 0x12},
                     {11, 1}});
    put(r, 12, glcd_line.data(), 24);
    cases.push_back(
        {"WriteGLCD",
         [&](DeviceRecord *d) { return WriteGLCD(d, 3, 0x12, 1, 0x77, glcd_line.data()); }, r});

    r = report_with({{1, 17}, {2, 1}, {3, 0x88}, {4, 0x1C}, {5, 0x02}, {6, 0x36}, {7, 4}});
    put(r, 9, dots.data(), 16);
    cases.push_back({"WriteDotMatrix",
                     [&](DeviceRecord *d) { return WriteDotMatrix(d, 9, dots.data(), 0x88); }, r});

    r = report_with({{1, 56},
                     {2, 2},
                     {3, 1},
                     {4, 0x1C},
                     {5, 0x02},
                     {6, 0x2C},
                     {7, 5},
                     {9, 0x99},
                     {10, 0x88},
                     {11, 0x77},
                     {12, 0x66},
                     {13, 0x55},
                     {14, 0xFE},
                     {15, 0xFF},
                     {16, 0xFF},
                     {17, 0xFF}});
    cases.push_back(
        {"WriteCRTRWR",
         [&](DeviceRecord *d) { return WriteCRTRWR(d, 11, 0x99, 2, 1, crt_values.data()); }, r});

    r = report_with({{4, 0x21}, {6, 0xAB}, {7, 0xCD}});
    cases.push_back(
        {"Write7Segment", [&](DeviceRecord *d) { return Write7Segment(d, segments.data()); }, r});

    r = report_with({{4, 0x2B}});
    cases.push_back({"ClearLCD", [&](DeviceRecord *d) { return ClearLCD(d, 0x1234); }, r});

    r = report_with({{3, 0x5A}, {4, 0x2B}, {5, 0x01}, {6, 0x01}, {7, 0x42}, {8, 20}});
    put(r, 9, lcd_text.data(), 20);
    cases.push_back(
        {"WriteLCD",
         [&](DeviceRecord *d) { return WriteLCD(d, 0x1234, 0x42, lcd_text.data(), 0x5A); }, r});

    ASSERT_EQ(cases.size(), 11u);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sent_by(c.send), c.expected);
    }
}

// Byte 2 carries bit 0 of the port and byte 7 the pair number, from the port's low 8 bits only.
TEST_F(OutputCommandsTest, PortSplitsIntoPortBitAndPairNumberForEveryAddressedCommand) {
    latched.fill(0);
    struct Command {
        const char *name;
        std::function<int32_t(DeviceRecord *, int32_t)> send;
    };
    const std::vector<Command> commands = {
        {"WriteDirectOutput",
         [&](DeviceRecord *d, int32_t p) { return WriteDirectOutput(d, p, direct.data()); }},
        {"WriteMuxOutput",
         [&](DeviceRecord *d, int32_t p) { return WriteMuxOutput(d, p, mux.data()); }},
        {"WriteLatchedOutput",
         [&](DeviceRecord *d, int32_t p) { return WriteLatchedOutput(d, p, latched.data(), 0); }},
        {"WriteSPIDAC",
         [&](DeviceRecord *d, int32_t p) { return WriteSPIDAC(d, p, dac.data(), 0); }},
        {"CmdGLCD", [&](DeviceRecord *d, int32_t p) { return CmdGLCD(d, p, 0, 0); }},
        {"WriteGLCD",
         [&](DeviceRecord *d, int32_t p) { return WriteGLCD(d, p, 0, 0, 0, nullptr); }},
        {"WriteDotMatrix",
         [&](DeviceRecord *d, int32_t p) { return WriteDotMatrix(d, p, dots.data(), 0); }},
        {"WriteDisplayOutput",
         [&](DeviceRecord *d, int32_t p) { return WriteDisplayOutput(d, p, "1", 0); }},
    };
    struct Port {
        int32_t port;
        uint8_t port_bit;
        uint8_t pair;
    };
    const Port ports[] = {{0x85, 0x01, 0x42},  {0x185, 0x01, 0x42}, {0x84, 0x00, 0x42},
                          {-0x7B, 0x01, 0x42}, {0xFF, 0x01, 0x7F},  {0x00, 0x00, 0x00}};
    for (const Command &c : commands) {
        for (const Port &p : ports) {
            SCOPED_TRACE(std::string(c.name) + " port " + std::to_string(p.port));
            const Bytes report = sent_by([&](DeviceRecord *d) { return c.send(d, p.port); });
            EXPECT_EQ(report[2], p.port_bit);
            EXPECT_EQ(report[7], p.pair);
            EXPECT_EQ(report[4], 0x1C);
            EXPECT_EQ(report[5], 0x02);
        }
    }
    // The CRT/RWR command keeps its value count in byte 2; only the pair number is sent.
    for (const Port &p : ports) {
        const Bytes report = sent_by(
            [&](DeviceRecord *d) { return WriteCRTRWR(d, p.port, 0, 1, 0, crt_values.data()); });
        EXPECT_EQ(report[2], 1);
        EXPECT_EQ(report[7], p.pair);
    }
}

TEST_F(OutputCommandsTest, GraphicLcdTextIsLimitedToTwoLines) {
    std::vector<char> text(48);
    std::iota(text.begin(), text.end(), 'A');
    struct Case {
        int32_t lines;
        uint8_t sent_lines;
    };
    for (const Case c : {Case{0, 0}, Case{1, 1}, Case{2, 2}, Case{3, 2}, Case{255, 2},
                         Case{0x101, 1}, Case{-1, 2}}) {
        SCOPED_TRACE("line count " + std::to_string(c.lines));
        const Bytes report =
            sent_by([&](DeviceRecord *d) { return WriteGLCD(d, 0, 7, c.lines, 0, text.data()); });
        const size_t text_bytes = c.sent_lines * 24u;
        EXPECT_EQ(report[1], text_bytes + 3);
        EXPECT_EQ(report[9], 0x02);
        EXPECT_EQ(report[10], 7);
        EXPECT_EQ(report[11], c.sent_lines);
        EXPECT_EQ(Bytes(report.begin() + 12, report.begin() + 12 + text_bytes),
                  Bytes(text.begin(), text.begin() + text_bytes));
        EXPECT_EQ(Bytes(report.begin() + 12 + text_bytes, report.end()),
                  Bytes(kReportLength - 12 - text_bytes, 0));
    }
}

TEST_F(OutputCommandsTest, NullLcdTextsSendSpaces) {
    const Bytes glcd = sent_by([](DeviceRecord *d) { return WriteGLCD(d, 0, 0, 2, 0, nullptr); });
    EXPECT_EQ(Bytes(glcd.begin() + 12, glcd.begin() + 60), Bytes(48, ' '));
    EXPECT_EQ(glcd[60], 0);

    const Bytes lcd = sent_by([](DeviceRecord *d) { return WriteLCD(d, 0, 1, nullptr, 0); });
    EXPECT_EQ(Bytes(lcd.begin() + 9, lcd.begin() + 29), Bytes(20, ' '));
    EXPECT_EQ(lcd[29], 0);
}

TEST_F(OutputCommandsTest, LcdTextSendsTwentyBytesWhateverItsTerminator) {
    const char text[20] = {'H', 'I', '\0', 'x', 'y', 'z', '!', '?', '1', '2',
                           '3', '4', '5',  '6', '7', '8', '9', '0', '-', '+'};
    const Bytes lcd = sent_by([&](DeviceRecord *d) { return WriteLCD(d, 0, 1, text, 0); });
    EXPECT_EQ(Bytes(lcd.begin() + 9, lcd.begin() + 29), Bytes(text, text + 20));
}

TEST_F(OutputCommandsTest, CrtRwrSendsAtMostThirteenValuesFromTheStartIndex) {
    std::vector<int32_t> values(13);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<int32_t>(0x01020304u * (i + 1));

    Bytes report =
        sent_by([&](DeviceRecord *d) { return WriteCRTRWR(d, 0, 0x5C, 20, 0, values.data()); });
    EXPECT_EQ(report[1], 56);
    EXPECT_EQ(report[2], 13);
    EXPECT_EQ(report[9], 0x5C);
    Bytes expected_values(52);
    std::memcpy(expected_values.data(), values.data(), 52); // little-endian host
    EXPECT_EQ(Bytes(report.begin() + 10, report.begin() + 62), expected_values);
    EXPECT_EQ(Bytes(report.begin() + 62, report.end()), Bytes(3, 0));

    report = sent_by([&](DeviceRecord *d) { return WriteCRTRWR(d, 0, 0x5C, 0, 0, values.data()); });
    EXPECT_EQ(report[1], 56);
    EXPECT_EQ(report[2], 0);
    EXPECT_EQ(report[9], 0x5C);
    EXPECT_EQ(Bytes(report.begin() + 10, report.end()), Bytes(kReportLength - 10, 0));

    // The third value of the array, least significant byte first.
    report =
        sent_by([&](DeviceRecord *d) { return WriteCRTRWR(d, 0, 0, 1, 2, crt_values.data()); });
    EXPECT_EQ(report[3], 2);
    EXPECT_EQ(Bytes(report.begin() + 10, report.begin() + 15), (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0}));

    // No values wanted: no array needed.
    report = sent_by([](DeviceRecord *d) { return WriteCRTRWR(d, 0, 1, 0, 0, nullptr); });
    EXPECT_EQ(report[2], 0);
}

TEST_F(OutputCommandsTest, LatchedStatesArePackedLeastSignificantBitFirst) {
    latched.fill(1);
    Bytes report =
        sent_by([&](DeviceRecord *d) { return WriteLatchedOutput(d, 0, latched.data(), 0); });
    EXPECT_EQ(Bytes(report.begin() + 9, report.begin() + 17), Bytes(8, 0xFF));
    EXPECT_EQ(report[17], 0);

    latched.fill(0);
    latched[63] = 1;
    latched[8] = 3;     // a value above 1 also sets the next bit of its byte
    latched[15] = 0x02; // shifted out of its byte
    report = sent_by([&](DeviceRecord *d) { return WriteLatchedOutput(d, 0, latched.data(), 0); });
    EXPECT_EQ(Bytes(report.begin() + 9, report.begin() + 17),
              (Bytes{0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80}));
}

// The eleven commands with valid arguments, for the failure cases shared by all.
std::vector<std::pair<const char *, std::function<int32_t(DeviceRecord *)>>> all_commands() {
    static const std::array<uint8_t, 64> data = {};
    static const std::array<int32_t, 13> values = {};
    static const char text[48] = {};
    return {
        {"WriteDirectOutput", [](DeviceRecord *d) { return WriteDirectOutput(d, 0, data.data()); }},
        {"WriteMuxOutput", [](DeviceRecord *d) { return WriteMuxOutput(d, 0, data.data()); }},
        {"WriteLatchedOutput",
         [](DeviceRecord *d) { return WriteLatchedOutput(d, 0, data.data(), 0); }},
        {"WriteSPIDAC", [](DeviceRecord *d) { return WriteSPIDAC(d, 0, data.data(), 0); }},
        {"CmdGLCD", [](DeviceRecord *d) { return CmdGLCD(d, 0, 0, 0); }},
        {"WriteGLCD", [](DeviceRecord *d) { return WriteGLCD(d, 0, 0, 2, 0, text); }},
        {"WriteDotMatrix", [](DeviceRecord *d) { return WriteDotMatrix(d, 0, data.data(), 0); }},
        {"WriteCRTRWR", [](DeviceRecord *d) { return WriteCRTRWR(d, 0, 0, 13, 0, values.data()); }},
        {"Write7Segment", [](DeviceRecord *d) { return Write7Segment(d, data.data()); }},
        {"ClearLCD", [](DeviceRecord *d) { return ClearLCD(d, 0); }},
        {"WriteLCD", [](DeviceRecord *d) { return WriteLCD(d, 0, 0, text, 0); }},
    };
}

TEST_F(OutputCommandsTest, ResultIsWriteDataResult) {
    record()->OutputReportByteLength = 9; // a shorter report: only its bytes go out
    for (const auto &[name, send] : all_commands()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(send(record()), 9);
        EXPECT_EQ(board->pop_output().size(), 9u);
    }
    record()->OutputReportByteLength = 65;
    panelink_sim_set_fault(board->id(), PANELINK_SIM_FAULT_WRITE_TIMEOUT, -1);
    for (const auto &[name, send] : all_commands()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(send(record()), 0);
    }
}

} // namespace
