// Seven-segment text on a digit module (WriteDisplayOutput) and on the TANDEM display
// (WriteTANDEM), checked in the reports the virtual board receives.
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <panelink/panelink.h>

#include "support/open_board.h"
#include "support/sim_boards.h"

namespace {

using Bytes = std::vector<uint8_t>;

class SevenSegmentTest : public panelink::test::OneBoardTest {
  protected:
    Bytes display_report(const char *text, int32_t port = 0, int32_t parameter = 0) {
        EXPECT_EQ(WriteDisplayOutput(&board->record(), port, text, parameter), 65);
        return board->pop_output();
    }

    // Sends a TANDEM layout held in exactly 22 bytes of its own, so reading past it is caught.
    Bytes tandem_report(const std::string &group1, const std::string &group2,
                        uint8_t pattern_number = 14, uint8_t raw1 = 0, uint8_t raw2 = 0,
                        int32_t parameter = 0) {
        auto layout = std::make_unique<char[]>(22);
        std::memset(layout.get(), 0, 22);
        std::memcpy(layout.get(), group1.data(), std::min<size_t>(group1.size(), 9));
        std::memcpy(layout.get() + 9, group2.data(), std::min<size_t>(group2.size(), 9));
        layout[18] = static_cast<char>(pattern_number);
        layout[19] = '\x5A';
        layout[20] = static_cast<char>(raw1);
        layout[21] = static_cast<char>(raw2);
        EXPECT_EQ(WriteTANDEM(&board->record(), layout.get(), parameter), 65);
        return board->pop_output();
    }
};

Bytes slice(const Bytes &report, size_t from, size_t count) {
    return Bytes(report.begin() + from, report.begin() + from + count);
}

TEST_F(SevenSegmentTest, DisplayOutputReportLayout) {
    const Bytes expected = panelink::test::report_with(
        {{1, 8}, {2, 0x01}, {3, 0x3C}, {4, 0x1C}, {5, 0x02}, {6, 0x2A}, {7, 0x42}, {9, 0x7F}});
    EXPECT_EQ(display_report("8", 0x85, 0x3C), expected);
}

TEST_F(SevenSegmentTest, DisplayOutputWalksTheTextRightToLeft) {
    struct Case {
        const char *text;
        std::array<uint8_t, 7> digits; // bytes 9 to 15, rightmost digit first
    };
    const Case cases[] = {
        {"123.4", {0x66, 0xCF, 0x5B, 0x06, 0, 0, 0}},
        {"12345678", {0x7F, 0x07, 0x7D, 0x6D, 0x66, 0x4F, 0x5B}},
        {"1234567", {0x07, 0x7D, 0x6D, 0x66, 0x4F, 0x5B, 0x06}},
        {"12.", {0x00, 0x5B, 0x06, 0, 0, 0, 0}},
        {".5", {0x6D, 0x80, 0, 0, 0, 0, 0}},
        {"1.2.3", {0x4F, 0xDB, 0x86, 0, 0, 0, 0}},
        {"-.5", {0x6D, 0x40, 0, 0, 0, 0, 0}},
        {" .5", {0x6D, 0x00, 0, 0, 0, 0, 0}}, // a space blanks the decimal point too
        {"-5", {0x6D, 0x40, 0, 0, 0, 0, 0}},
        {"A", {0x3F, 0, 0, 0, 0, 0, 0}},
        {"\xB0/", {0x3F, 0x3F, 0, 0, 0, 0, 0}}, // from 0x80 up and below "0": the pattern of 0
        {"", {0, 0, 0, 0, 0, 0, 0}},
        {"9 0", {0x3F, 0x00, 0x6F, 0, 0, 0, 0}},
        {"1234567.8", {0x7F, 0x87, 0x7D, 0x6D, 0x66, 0x4F, 0x5B}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        const Bytes report = display_report(c.text);
        EXPECT_EQ(slice(report, 9, 7), Bytes(c.digits.begin(), c.digits.end()));
        EXPECT_EQ(report[16], 0);
    }
}

TEST_F(SevenSegmentTest, DisplayOutputShowsEveryDigit) {
    const Bytes report = display_report("0123456");
    EXPECT_EQ(slice(report, 9, 7), (Bytes{0x7D, 0x6D, 0x66, 0x4F, 0x5B, 0x06, 0x3F}));
    EXPECT_EQ(slice(display_report("789"), 9, 3), (Bytes{0x6F, 0x7F, 0x07}));
}

TEST_F(SevenSegmentTest, TandemReportLayout) {
    const Bytes expected = panelink::test::report_with(
        {{3, 0x7E}, {4, 0x37}, {6, 0x30}, {10, 0x6D}, {14, 0x7F}, {15, 0xA5}, {16, 0x5A}});
    EXPECT_EQ(tandem_report("1", "2", 8, 0xA5, 0x5A, 0x7E), expected);
}

TEST_F(SevenSegmentTest, TandemGroupsWalkRightToLeft) {
    struct Case {
        const char *text;
        std::array<uint8_t, 4> digits; // positions 0 to 3, rightmost first
    };
    const Case cases[] = {
        {"1.5", {0x5B, 0xB0, 0, 0}},
        {"3.", {0xF9, 0, 0, 0}},
        {"12.", {0xED, 0x30, 0, 0}},
        {"L-r", {0x05, 0x01, 0x0E, 0}},
        {"P=", {0x49, 0x67, 0, 0}},
        {"ABC", {0, 0, 0, 0}},
        {"12345", {0x5B, 0x33, 0x79, 0x6D}},
        {"67890", {0x7E, 0x7B, 0x7F, 0x70}},
        {"-.5", {0x5B, 0x81, 0, 0}}, // the minus is ORed in beside the decimal point
        {" .5", {0x5B, 0x80, 0, 0}}, // a space leaves the position as it is
        {"/", {0x7E, 0, 0, 0}},      // below "0": the pattern of 0
        {"\x80", {0x7E, 0, 0, 0}},   // from 0x80 up: the pattern of 0
        {"", {0, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("group \"") + c.text + "\"");
        const Bytes in_group1 = tandem_report(c.text, "");
        EXPECT_EQ(slice(in_group1, 6, 4), Bytes(c.digits.begin(), c.digits.end()));
        EXPECT_EQ(slice(in_group1, 10, 4), Bytes(4, 0));
        const Bytes in_group2 = tandem_report("", c.text);
        EXPECT_EQ(slice(in_group2, 6, 4), Bytes(4, 0));
        EXPECT_EQ(slice(in_group2, 10, 4), Bytes(c.digits.begin(), c.digits.end()));
    }
}

// A group that fills its 9 bytes without a zero ends there: its last four characters show and
// nothing of the other group is taken in.
TEST_F(SevenSegmentTest, TandemGroupWithoutTerminatorStaysInItsNineBytes) {
    const Bytes report = tandem_report("123456789", "987654321");
    EXPECT_EQ(slice(report, 6, 4), (Bytes{0x7B, 0x7F, 0x70, 0x5F}));
    EXPECT_EQ(slice(report, 10, 4), (Bytes{0x30, 0x6D, 0x79, 0x33}));
}

TEST_F(SevenSegmentTest, TandemSingleDigitByPatternNumber) {
    const std::array<uint8_t, 16> table = {0x7E, 0x30, 0x6D, 0x79, 0x33, 0x5B, 0x5F, 0x70,
                                           0x7F, 0x7B, 0x01, 0x0E, 0x67, 0x49, 0x00, 0x05};
    for (uint8_t number = 0; number < 16; ++number) {
        SCOPED_TRACE("pattern number " + std::to_string(number));
        EXPECT_EQ(tandem_report("", "", number)[14], table[number]);
    }
    // No pattern beyond the table: blank.
    EXPECT_EQ(tandem_report("", "", 16)[14], 0x00);
    EXPECT_EQ(tandem_report("", "", 255)[14], 0x00);
}

} // namespace
