// The input decoder: board reports as bits or bytes, joystick reports by their
// button data items.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "backends/platform.h"
#include "handle_table.h"
#include "input_decoding.h"
#include "support/input_states.h"
#include "support/open_board.h"
#include "support/sim_boards.h"

namespace {

using panelink::decode_input_report;
using panelink::decode_joystick_buttons;
using panelink::hid::Capability;
using panelink::hid::DataItem;
using namespace panelink::test;

Capability button_cap(uint16_t min, uint16_t max) {
    Capability cap;
    cap.is_button = true;
    cap.is_range = true;
    cap.usage_page = 9;
    cap.data_index_min = min;
    cap.data_index_max = max;
    return cap;
}

DataItem item(uint16_t index, uint32_t value = 1) {
    return DataItem{index, value};
}

TEST(JoystickButtons, PressedItemsOfTheFirstCapabilityAndEverythingElseCleared) {
    const Capability caps[] = {button_cap(0, 31)};
    const DataItem items[] = {item(3), item(17), item(5, 0), item(32, 200)}; // off, axis
    InputStates s;
    decode_joystick_buttons(caps, 1, items, 4, s.data());
    EXPECT_TRUE(unpacked_as(s, {3, 17}));
}

TEST(JoystickButtons, PositionsCountFromTheFirstCapabilityMinimum) {
    // Axes took data indices 0 and 1; the buttons start at 2.
    const Capability caps[] = {button_cap(2, 33)};
    const DataItem items[] = {item(0, 128), item(2), item(33)};
    InputStates s;
    decode_joystick_buttons(caps, 1, items, 3, s.data());
    EXPECT_TRUE(unpacked_as(s, {0, 31}));
}

TEST(JoystickButtons, SecondCapabilityCountsAndFurtherOnesDoNot) {
    const Capability caps[] = {button_cap(10, 19), button_cap(30, 39), button_cap(50, 59)};
    const DataItem items[] = {item(10), item(35), item(55), item(25)};
    InputStates s;
    decode_joystick_buttons(caps, 3, items, 4, s.data());
    EXPECT_TRUE(unpacked_as(s, {0, 25}));
    // With one capability the second range is not consulted.
    InputStates one;
    decode_joystick_buttons(caps, 1, items, 4, one.data());
    EXPECT_TRUE(unpacked_as(one, {0}));
}

TEST(JoystickButtons, ItemsOutsideTheBufferAreDropped) {
    // Second range below the first minimum; first range reaching past 512
    // positions.
    const Capability caps[] = {button_cap(100, 1000), button_cap(0, 50)};
    const DataItem items[] = {item(3), item(611), item(612), item(1000), item(100)};
    InputStates s;
    decode_joystick_buttons(caps, 2, items, 5, s.data());
    EXPECT_TRUE(unpacked_as(s, {0, 511}));
}

TEST(JoystickButtons, NoCapabilityDecodesToZeros) {
    const DataItem items[] = {item(0), item(1)};
    InputStates s;
    decode_joystick_buttons(nullptr, 0, items, 2, s.data());
    EXPECT_TRUE(unpacked_as(s, {}));
}

class ReportDecodingTest : public SimBoardsTest {};

// A vendor board with `data_bytes` input and output bytes and no report IDs.
Board board_of(uint8_t data_bytes) {
    Board board = make_board(0x0910);
    board.report_descriptor = vendor_descriptor(data_bytes);
    return board;
}

TEST_F(ReportDecodingTest, UnpackedBoardReportGivesOneBytePerBit) {
    OpenBoard board;
    const auto report = input_report({0x01, 0x80});
    InputStates s;
    ASSERT_TRUE(decode_input_report(&board.record(), s.data(), report.data(), report.size(), 0));
    EXPECT_TRUE(unpacked_as(s, {0, 15}));
}

TEST_F(ReportDecodingTest, PackedBoardReportCopiesDataBytesOnly) {
    OpenBoard board;
    auto report = input_report({0x01, 0x80});
    report[0] = 0x5A; // the report ID byte is never decoded
    InputStates s;
    ASSERT_TRUE(decode_input_report(&board.record(), s.data(), report.data(), report.size(), 7));
    EXPECT_TRUE(packed_as(s, {0x01, 0x80}));
}

TEST_F(ReportDecodingTest, ShortReportsWriteOnlyTheirPositions) {
    OpenBoard board(board_of(8));
    DeviceRecord &record = board.record();
    ASSERT_EQ(record.InputReportByteLength, 9);
    const auto report = input_report({0xFF, 0, 0, 0, 0, 0, 0, 0x80}, 9);
    InputStates s;
    ASSERT_TRUE(decode_input_report(&record, s.data(), report.data(), report.size(), 0));
    EXPECT_TRUE(unpacked_as(s, {0, 1, 2, 3, 4, 5, 6, 7, 63}, 64));

    // A report that came shorter than the record says: only the bytes that
    // arrived count.
    InputStates partial;
    DeviceRecord long_record = record;
    long_record.InputReportByteLength = 65;
    ASSERT_TRUE(decode_input_report(&long_record, partial.data(), report.data(), 2, 0));
    EXPECT_TRUE(unpacked_as(partial, {0, 1, 2, 3, 4, 5, 6, 7}, 8));
}

TEST_F(ReportDecodingTest, RefusedWithoutTouchingTheBuffer) {
    OpenBoard board;
    DeviceRecord &record = board.record();
    const auto report = input_report({0x01, 0x80});
    InputStates s;

    DeviceRecord too_long = record;
    too_long.InputReportByteLength = 66;
    EXPECT_FALSE(decode_input_report(&too_long, s.data(), report.data(), report.size(), 0));
    DeviceRecord too_short = record;
    too_short.InputReportByteLength = 1;
    EXPECT_FALSE(decode_input_report(&too_short, s.data(), report.data(), report.size(), 0));
    DeviceRecord unknown = record;
    unknown.Handle = record.Handle + 0x10000; // same table slot, other generation
    EXPECT_FALSE(decode_input_report(&unknown, s.data(), report.data(), report.size(), 0));
    EXPECT_FALSE(decode_input_report(nullptr, s.data(), report.data(), report.size(), 0));
    EXPECT_FALSE(decode_input_report(&record, s.data(), nullptr, report.size(), 0));

    panelink::close_device(record.Handle);
    EXPECT_FALSE(decode_input_report(&record, s.data(), report.data(), report.size(), 0));
    EXPECT_TRUE(s.untouched());
}

TEST_F(ReportDecodingTest, JoystickMarksPressedButtonsWhateverThePackedFlag) {
    // Axes first, so the buttons' data indices start at 2, not 0.
    Board stick = make_board(0x0910);
    stick.report_descriptor = joystick_descriptor({{1, 32}}, Axes::BeforeButtons);
    OpenBoard board(stick);
    ASSERT_EQ(board.record().InputReportByteLength, 7);
    // X = 0xFF, buttons 4 and 18 (positions 3 and 17).
    const auto report = input_report({0xFF, 0x00, 0x08, 0x00, 0x02, 0x00}, 7);
    for (int32_t packed : {0, 1}) {
        InputStates s;
        ASSERT_TRUE(
            decode_input_report(&board.record(), s.data(), report.data(), report.size(), packed));
        EXPECT_TRUE(unpacked_as(s, {3, 17})) << packed;
    }
}

// Reads through the public API on a board whose decoder refuses every report: its report
// descriptor cannot be had (none, or one the parser rejects). The caller has set a readable
// InputReportByteLength by hand (enumeration leaves 0 there, which reads refuse earlier). Each
// read of such a report fails with the buffer untouched, and the reports queued behind it stay.
TEST_F(ReportDecodingTest, AReportTheDecoderRefusesIsAFailedRead) {
    struct Case {
        const char *board;
        std::vector<uint8_t> report_descriptor;
    };
    std::vector<uint8_t> unterminated = vendor_descriptor(); // 65-byte reports once parsed
    unterminated.pop_back();                                 // its collection never ends
    const Case boards[] = {
        {"no report descriptor", {}},
        {"a descriptor the parser rejects", unterminated},
    };
    struct Read {
        const char *name;
        bool polled; // ReadInputData with `packed`, else ReadData
        int32_t packed;
        int32_t operator()(DeviceRecord &record, InputStates &states) const {
            return polled ? ReadInputData(&record, states.data(), packed)
                          : ReadData(&record, states.data());
        }
    };
    const Read reads[] = {
        {"ReadData", false, 0},
        {"ReadInputData, one input per bit", true, 0},
        {"ReadInputData, packed", true, 1},
    };
    for (const Case &c : boards) {
        for (const Read &read : reads) {
            SCOPED_TRACE(std::string(c.board) + ", " + read.name);
            Board bare = make_board(0x0500);
            bare.report_descriptor = c.report_descriptor;
            OpenBoard board(bare);
            DeviceRecord &record = board.record();
            ASSERT_EQ(record.InputReportByteLength, 0) << "the descriptor parsed";
            record.InputReportByteLength = 65;
            InputStates s;
            if (read.polled) { // the first poll starts the read
                ASSERT_EQ(read(record, s), PANELINK_READ_PENDING);
            }

            board.push_input(input_report({0x11}));
            board.push_input(input_report({0x22}));
            EXPECT_EQ(read(record, s), PANELINK_READ_FAILED);
            // Nothing was flushed: the queued report is read (and refused) next.
            if (read.polled) {
                EXPECT_EQ(read(record, s), PANELINK_READ_PENDING); // a new read started
            }
            EXPECT_EQ(read(record, s), PANELINK_READ_FAILED);
            if (read.polled) {
                EXPECT_EQ(read(record, s), PANELINK_READ_PENDING);
                panelink_sim_advance_ms(1001);
            }
            EXPECT_EQ(read(record, s), PANELINK_READ_TIMED_OUT);
            EXPECT_TRUE(s.untouched());
        }
    }
}

// A decode throws away the reports the board queued behind the decoded one, whichever call read
// it: the caller gets the oldest report waiting, and the next read waits for a new one.
TEST_F(ReportDecodingTest, DecodeDiscardsQueuedReports) {
    {
        SCOPED_TRACE("decode_input_report");
        OpenBoard board;
        const auto report = input_report({0x01, 0x80});
        board.push_input(report);
        board.push_input(report);
        InputStates s;
        ASSERT_TRUE(
            decode_input_report(&board.record(), s.data(), report.data(), report.size(), 0));

        const auto device = panelink::acquire_device(board.record().Handle);
        ASSERT_NE(device, nullptr);
        uint8_t buffer[65];
        panelink::platform::InputRead read;
        read.buffer = buffer;
        read.length = sizeof buffer;
        ASSERT_TRUE(device->start_read(read));
        EXPECT_EQ(device->wait_read(read, 0), panelink::platform::WaitResult::TimedOut);
        device->cancel_read(read);
    }
    {
        SCOPED_TRACE("ReadData");
        OpenBoard board;
        board.push_input(input_report({0x11}));
        board.push_input(input_report({0x22}));
        InputStates s;
        ASSERT_EQ(ReadData(&board.record(), s.data()), PANELINK_READ_DECODED);
        EXPECT_EQ(s[0], 0x11);
        EXPECT_EQ(ReadData(&board.record(), s.data()), PANELINK_READ_TIMED_OUT);
        EXPECT_EQ(s[0], 0x11);
    }
    {
        SCOPED_TRACE("ReadInputData");
        OpenBoard board;
        InputStates s;
        ASSERT_EQ(ReadInputData(&board.record(), s.data(), 1), PANELINK_READ_PENDING);
        board.push_input(input_report({0x11}));
        board.push_input(input_report({0x22}));
        ASSERT_EQ(ReadInputData(&board.record(), s.data(), 1), PANELINK_READ_DECODED);
        EXPECT_EQ(s[0], 0x11);
        EXPECT_EQ(ReadInputData(&board.record(), s.data(), 1), PANELINK_READ_PENDING);
        panelink_sim_advance_ms(1001);
        EXPECT_EQ(ReadInputData(&board.record(), s.data(), 1), PANELINK_READ_TIMED_OUT);
        EXPECT_EQ(s[0], 0x11);
    }
}

} // namespace
