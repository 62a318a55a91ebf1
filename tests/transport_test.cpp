// ReadData and WriteData against virtual boards: results, time limits on the
// board's clock, exact report lengths and refused transfers.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "backends/platform.h"
#include "handle_table.h"
#include "support/guarded_buffer.h"
#include "support/input_states.h"
#include "support/open_board.h"
#include "support/sim_boards.h"

namespace {

using namespace panelink::test;

class TransportTest : public SimBoardsTest {};

TEST_F(TransportTest, ReadDataDecodesTheReportPacked) {
    OpenBoard board;
    board.push_input(input_report({0x01, 0x80}));
    InputStates s;
    ASSERT_EQ(ReadData(&board.record(), s.data()), PANELINK_READ_DECODED);
    EXPECT_TRUE(packed_as(s, {0x01, 0x80}));
}

TEST_F(TransportTest, ReadDataTimesOutAfter1000MsOfBoardTimeWithoutRealWaiting) {
    OpenBoard board;
    InputStates s;
    const uint64_t board_start = panelink::platform::backend().now_ms();
    const auto real_start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadData(&board.record(), s.data()), PANELINK_READ_TIMED_OUT);
    EXPECT_LT(std::chrono::steady_clock::now() - real_start, std::chrono::milliseconds(500));
    EXPECT_EQ(panelink::platform::backend().now_ms() - board_start, 1000u);
    EXPECT_TRUE(s.untouched());

    // The cancelled read does not swallow the next report.
    board.push_input(input_report({0x05}));
    EXPECT_EQ(ReadData(&board.record(), s.data()), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 0x05);
}

TEST_F(TransportTest, ReadDataOnAJoystickGivesButtonStates) {
    Board stick = make_board(0x0910);
    stick.report_descriptor = joystick_descriptor({{1, 16}});
    OpenBoard board(stick);
    board.push_input({0x00, 0x05, 0x80, 0xFF, 0x00}); // buttons 1, 3 and 16; X at full scale
    InputStates s;
    ASSERT_EQ(ReadData(&board.record(), s.data()), PANELINK_READ_DECODED);
    EXPECT_TRUE(unpacked_as(s, {0, 2, 15}));
}

// A board whose report descriptor cannot be had: input_decoding_test
// (AReportTheDecoderRefusesIsAFailedRead).

TEST_F(TransportTest, FailedWaitAndUnpluggedBoardLeaveTheBufferAlone) {
    OpenBoard board;
    DeviceRecord &record = board.record();
    InputStates s;
    board.push_input(input_report({0x01}));
    ASSERT_EQ(panelink_sim_set_fault(board.id(), PANELINK_SIM_FAULT_READ_WAIT, 1), 1);
    EXPECT_EQ(ReadData(&record, s.data()), PANELINK_READ_FAILED);

    ASSERT_EQ(panelink_sim_remove(board.id()), 1);
    EXPECT_EQ(ReadData(&record, s.data()), PANELINK_READ_FAILED);
    EXPECT_TRUE(s.untouched());
}

TEST_F(TransportTest, ReadDataTimeOutLeavesAPendingPollAlone) {
    OpenBoard board;
    InputStates s;
    ASSERT_EQ(ReadInputData(&board.record(), s.data(), 0), PANELINK_READ_PENDING);
    EXPECT_EQ(ReadData(&board.record(), s.data()), PANELINK_READ_TIMED_OUT);
    EXPECT_EQ(ReadInputData(&board.record(), s.data(), 0), PANELINK_READ_PENDING);
    EXPECT_TRUE(s.untouched());
}

// WriteData sends the caller's buffer as one report of exactly OutputReportByteLength bytes, for
// any length: the buffer holds exactly that many (guarded on both sides), nothing is read past
// it, and nothing in it is changed.
TEST_F(TransportTest, WriteDataSendsExactlyOutputReportByteLength) {
    OpenBoard board;
    for (uint16_t length : {1, 2, 9, 65, 66, 1000, 65535}) {
        SCOPED_TRACE("OutputReportByteLength " + std::to_string(length));
        board.record().OutputReportByteLength = length;
        Guarded<uint8_t> out(length, 0x42);
        for (size_t i = 0; i < length; ++i)
            out.get()[i] = static_cast<uint8_t>(i);
        const std::vector<uint8_t> content = out.snapshot();
        EXPECT_EQ(WriteData(&board.record(), out.get()), length);
        std::vector<uint8_t> sent(length + 1u);
        EXPECT_EQ(panelink_sim_pop_output(board.id(), sent.data(), sent.size()), length);
        sent.resize(length);
        EXPECT_EQ(sent, content);
        EXPECT_TRUE(board.pop_output().empty()) << "more than one report";
        EXPECT_TRUE(out.same_as(content)) << "the caller's buffer was written";
        EXPECT_TRUE(out.guards_intact());
    }
}

TEST_F(TransportTest, WriteDataThatTimesOutReturnsZeroAfter100Ms) {
    OpenBoard board;
    DeviceRecord &record = board.record();
    std::array<uint8_t, 65> out{};

    ASSERT_EQ(panelink_sim_set_fault(board.id(), PANELINK_SIM_FAULT_WRITE_TIMEOUT, 1), 1);
    const uint64_t board_start = panelink::platform::backend().now_ms();
    EXPECT_EQ(WriteData(&record, out.data()), 0);
    EXPECT_EQ(panelink::platform::backend().now_ms() - board_start, 100u);
    EXPECT_TRUE(board.pop_output().empty());
}

TEST_F(TransportTest, WriteDataToAnUnpluggedBoardFails) {
    OpenBoard board;
    std::array<uint8_t, 65> out{};
    ASSERT_EQ(panelink_sim_remove(board.id()), 1);
    EXPECT_EQ(WriteData(&board.record(), out.data()), 0);
}

} // namespace
