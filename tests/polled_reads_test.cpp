// ReadInputData against virtual boards on the manual clock: results 1 to 4,
// decoding, time-outs, handle changes, slot limits and the absence of
// allocation while polling.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <vector>

#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "backends/platform.h"
#include "handle_table.h"
#include "support/allocation_counter.h"
#include "support/input_states.h"
#include "support/open_board.h"
#include "support/sim_boards.h"

namespace {

using namespace panelink::test;

class PolledReadsTest : public SimBoardsTest {
  protected:
    // One ReadInputData call on the board's record.
    static int32_t poll(OpenBoard &board, InputStates &s, int32_t packed = 0) {
        return ReadInputData(&board.record(), s.data(), packed);
    }
};

TEST_F(PolledReadsTest, FirstPollStartsTheReadAndAReportIsDecodedOnTheNext) {
    OpenBoard board;
    InputStates s;
    EXPECT_EQ(poll(board, s), PANELINK_READ_PENDING);
    EXPECT_EQ(poll(board, s), PANELINK_READ_PENDING);
    EXPECT_TRUE(s.untouched());

    board.push_input(input_report({0x01, 0x80}));
    ASSERT_EQ(poll(board, s), PANELINK_READ_DECODED);
    EXPECT_TRUE(unpacked_as(s, {0, 15}));
    // The next read is already outstanding: nothing new yet.
    EXPECT_EQ(poll(board, s), PANELINK_READ_PENDING);

    board.push_input(input_report({0x01, 0x80}));
    InputStates packed;
    ASSERT_EQ(poll(board, packed, 1), PANELINK_READ_DECODED);
    EXPECT_TRUE(packed_as(packed, {0x01, 0x80}));
}

// A short report counts as the full length padded with zeros: the inputs it does not carry are
// off, never left as the previous report had them.
TEST_F(PolledReadsTest, ShortReportIsPaddedWithZerosToTheFullLength) {
    OpenBoard board;
    InputStates s;
    ASSERT_EQ(poll(board, s), PANELINK_READ_PENDING);
    std::vector<uint8_t> all_on(65, 0xFF);
    all_on[0] = 0;
    board.push_input(all_on);
    ASSERT_EQ(poll(board, s), PANELINK_READ_DECODED);
    ASSERT_EQ(poll(board, s), PANELINK_READ_PENDING);
    board.push_input(input_report({0xFF, 0x01}, 3));
    ASSERT_EQ(poll(board, s), PANELINK_READ_DECODED);
    EXPECT_TRUE(unpacked_as(s, {0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(PolledReadsTest, TimeOutAfterMoreThan1000MsOnTheMonotonicClock) {
    OpenBoard board;
    InputStates s;
    panelink_sim_advance_ms(59900); // a read started late in a minute ...
    ASSERT_EQ(poll(board, s), PANELINK_READ_PENDING);
    panelink_sim_advance_ms(200); // ... is not timed out when the next minute begins
    EXPECT_EQ(poll(board, s), PANELINK_READ_PENDING);
    panelink_sim_advance_ms(800);
    EXPECT_EQ(poll(board, s), PANELINK_READ_PENDING);
    panelink_sim_advance_ms(1);
    EXPECT_EQ(poll(board, s), PANELINK_READ_TIMED_OUT);
    EXPECT_EQ(poll(board, s), PANELINK_READ_PENDING);

    // A poll that comes minutes later is timed out too.
    panelink_sim_advance_ms(3 * 60 * 1000);
    EXPECT_EQ(poll(board, s), PANELINK_READ_TIMED_OUT);
    EXPECT_TRUE(s.untouched());

    // After a time-out the slot works as before.
    EXPECT_EQ(poll(board, s), PANELINK_READ_PENDING);
    board.push_input(input_report({0x02}));
    EXPECT_EQ(poll(board, s), PANELINK_READ_DECODED);
    EXPECT_EQ(s[1], 1);
}

TEST_F(PolledReadsTest, TransfersThatCannotStartFailWithoutDecoding) {
    OpenBoard board;
    InputStates s;
    // A read outstanding when the handle is closed is not decoded, even with a
    // report waiting.
    ASSERT_EQ(poll(board, s), PANELINK_READ_PENDING);
    board.push_input(input_report({0xFF, 0xFF}));
    ASSERT_TRUE(panelink::close_device(board.record().Handle));
    EXPECT_EQ(poll(board, s), PANELINK_READ_FAILED);
    board.record().Handle = 0;
    EXPECT_EQ(poll(board, s), PANELINK_READ_FAILED);
    EXPECT_TRUE(s.untouched());
}

TEST_F(PolledReadsTest, ANewHandleAbandonsTheReadOfTheOldOne) {
    OpenBoard board;
    InputStates s;
    ASSERT_EQ(poll(board, s), PANELINK_READ_PENDING);
    board.push_input(input_report({0x01}));

    // Enumerated again while the first handle stays open: the old read is not
    // waited on.
    board.reopen();
    EXPECT_EQ(poll(board, s), PANELINK_READ_PENDING);
    EXPECT_TRUE(s.untouched());
    EXPECT_EQ(poll(board, s), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 1);

    // Closed and enumerated again.
    ASSERT_TRUE(panelink::close_device(board.record().Handle));
    board.reopen();
    board.push_input(input_report({0x02}));
    InputStates again;
    EXPECT_EQ(poll(board, again), PANELINK_READ_PENDING);
    EXPECT_TRUE(again.untouched());
    EXPECT_EQ(poll(board, again), PANELINK_READ_DECODED);
    EXPECT_EQ(again[1], 1);
}

TEST_F(PolledReadsTest, EachDeviceIndexBelow128HasItsOwnSlot) {
    OpenBoard first(0x0500);
    OpenBoard last(0x0501);
    first.record().DeviceIndex = 0;
    last.record().DeviceIndex = 127;
    InputStates s;
    ASSERT_EQ(poll(first, s, 1), PANELINK_READ_PENDING);
    ASSERT_EQ(poll(last, s, 1), PANELINK_READ_PENDING);
    last.push_input(input_report({0x7F}));
    EXPECT_EQ(poll(first, s, 1), PANELINK_READ_PENDING);
    EXPECT_EQ(poll(last, s, 1), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 0x7F);

    // Indices beyond the slots fail and disturb no slot (128 does not wrap to
    // slot 0).
    first.push_input(input_report({0x42}));
    InputStates beyond;
    for (uint16_t index : {128, 255, 0xFFFF}) {
        DeviceRecord outside = first.record();
        outside.DeviceIndex = index;
        EXPECT_EQ(ReadInputData(&outside, beyond.data(), 1), PANELINK_READ_FAILED) << index;
    }
    EXPECT_TRUE(beyond.untouched());
    EXPECT_EQ(poll(first, s, 1), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 0x42);
}

TEST_F(PolledReadsTest, FailedWaitAbandonsTheReadAndTheNextPollStartsAgain) {
    OpenBoard board;
    InputStates s;
    ASSERT_EQ(poll(board, s), PANELINK_READ_PENDING);
    ASSERT_EQ(panelink_sim_set_fault(board.id(), PANELINK_SIM_FAULT_READ_WAIT, 1), 1);
    board.push_input(input_report({0x01}));
    EXPECT_EQ(poll(board, s), PANELINK_READ_FAILED);
    EXPECT_TRUE(s.untouched());
    EXPECT_EQ(poll(board, s), PANELINK_READ_PENDING);
    EXPECT_EQ(poll(board, s), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 1);
}

TEST_F(PolledReadsTest, UnpluggedBoardFails) {
    OpenBoard board;
    InputStates s;
    ASSERT_EQ(poll(board, s), PANELINK_READ_PENDING);
    board.push_input(input_report({0x01}));
    ASSERT_EQ(panelink_sim_remove(board.id()), 1);
    EXPECT_EQ(poll(board, s), PANELINK_READ_FAILED);
    EXPECT_EQ(poll(board, s), PANELINK_READ_FAILED);
    EXPECT_TRUE(s.untouched());
}

TEST_F(PolledReadsTest, PollingAllocatesNothing) {
    const uint64_t counted = allocations();
    ::operator delete(::operator new(16));
    ASSERT_EQ(allocations(), counted + 1) << "the allocation counter is not in use";

    OpenBoard board;
    InputStates s;
    ASSERT_EQ(poll(board, s), PANELINK_READ_PENDING);
    board.push_input(input_report({0x01}));
    ASSERT_EQ(poll(board, s), PANELINK_READ_DECODED);

    for (int round = 0; round < 3; ++round) {
        board.push_input(input_report({static_cast<uint8_t>(round), 0x80}));
        const uint64_t before = allocations();
        EXPECT_EQ(poll(board, s, round & 1), PANELINK_READ_DECODED);
        EXPECT_EQ(poll(board, s), PANELINK_READ_PENDING);
        panelink_sim_advance_ms(1001);
        EXPECT_EQ(poll(board, s), PANELINK_READ_TIMED_OUT);
        EXPECT_EQ(poll(board, s), PANELINK_READ_PENDING);
        EXPECT_EQ(allocations(), before) << "round " << round;
    }
}

} // namespace
