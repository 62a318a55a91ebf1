// Long runs on virtual boards: thousands of detect/close cycles and a million polls must leave
// the open handles, the process's file descriptors and the heap where they started, and a
// board unplugged in the middle of polling must come back after it is plugged in again.
//
// The heap is watched through the counting global operator new and delete
// (support/allocation_counter.h): the blocks alive and the allocations made.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>
#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "handle_table.h"
#include "support/allocation_counter.h"
#include "support/open_descriptors.h"
#include "support/sim_boards.h"

namespace panelink::test {
namespace {

// What a long run must give back: open handles, file descriptors (log files, device nodes)
// and heap blocks.
struct Resources {
    size_t handles = 0;
    size_t descriptors = 0;
    int64_t heap_blocks = 0;

    static Resources now() {
        Resources r;
        r.handles = open_device_count();
        r.descriptors = open_descriptors(); // 0 under Wine (support/open_descriptors.h)
        r.heap_blocks = live_allocations();
        return r;
    }
};

void expect_same(const Resources &before, const Resources &after) {
    EXPECT_EQ(after.handles, before.handles) << "open handles";
    EXPECT_EQ(after.descriptors, before.descriptors) << "file descriptors";
    EXPECT_EQ(after.heap_blocks, before.heap_blocks) << "heap blocks alive";
}

// A record array as the test program keeps it: one more entry than the library fills.
using Records = std::vector<DeviceRecord>;

class SoakTest : public SimBoardsTest {
  protected:
    void SetUp() override {
        SimBoardsTest::SetUp();
        plug_all();
    }

    // Four boards in walk order: two input boards, an adapter and a joystick.
    void plug_all() {
        ids_ = {add_board(0x0500), add_board(0x0700), add_board(make_board(0x0600))};
        Board joystick = make_board(0x0250);
        joystick.report_descriptor = joystick_descriptor({{1, 32}});
        ids_.push_back(add_board(joystick));
    }

    // One detection as the program runs it, then closing what it found.
    static int32_t detect_and_close(Records &records) {
        int32_t count = 0;
        DetectHID(&count, records.data(), PANELINK_MODE_STANDARD);
        CloseDevices(static_cast<uint32_t>(count), records.data());
        return count;
    }

    std::vector<int> ids_; // simulated-bus ids, in walk order
};

TEST_F(SoakTest, TenThousandDetectCloseCyclesHoldNoResources) {
    Records records(PANELINK_MAX_DEVICES + 1);
    ASSERT_EQ(detect_and_close(records), 4); // warms up the library's lasting state
    const Resources before = Resources::now();
    for (int cycle = 0; cycle < 10000; ++cycle) {
        const int32_t count = detect_and_close(records);
        if (count != 4) {
            ADD_FAILURE() << "cycle " << cycle << " found " << count << " boards";
            break;
        }
    }
    expect_same(before, Resources::now());
    EXPECT_EQ(records[0].Handle, 0u);
}

TEST_F(SoakTest, AMillionPollsHoldNoResourcesAndAllocateNothing) {
    Records records(PANELINK_MAX_DEVICES + 1);
    int32_t count = 0;
    ASSERT_EQ(DetectHID(&count, records.data(), PANELINK_MODE_STANDARD), 1);
    ASSERT_EQ(count, 4);
    std::vector<uint8_t> report(65);
    uint8_t states[PANELINK_INPUT_STATES_SIZE] = {};

    // Warm up: every board's read started and one report decoded, and every place of the
    // virtual boards' report queues used once (the queues keep their storage).
    for (int i = 0; i < count; ++i) {
        ReadInputData(&records[i], states, 0);
        for (int r = 0; r < 64; ++r)
            panelink_sim_push_input(ids_[i], report.data(), records[i].InputReportByteLength);
        ReadInputData(&records[i], states, 0);
    }
    const Resources before = Resources::now();

    long results[5] = {};
    uint64_t allocations_in_polls = 0;
    constexpr int kPolls = 1000000;
    for (int poll = 0; poll < kPolls; ++poll) {
        const int board = poll % count;
        if (poll % 7 == 0) { // the board sends a report now and then
            report[1] = static_cast<uint8_t>(poll);
            panelink_sim_push_input(ids_[board], report.data(),
                                    records[board].InputReportByteLength);
        }
        if (poll % 1000 == 999)
            panelink_sim_advance_ms(1001); // long enough for a quiet board's read to time out
        const uint64_t allocations_before = allocations();
        const int32_t result = ReadInputData(&records[board], states, poll & 1);
        allocations_in_polls += allocations() - allocations_before;
        ASSERT_GE(result, 1);
        ASSERT_LE(result, 4);
        ++results[result];
    }
    EXPECT_EQ(allocations_in_polls, 0u) << "polls allocated";
    EXPECT_EQ(results[PANELINK_READ_FAILED], 0);
    EXPECT_GT(results[PANELINK_READ_DECODED], kPolls / 8);
    EXPECT_GT(results[PANELINK_READ_PENDING], kPolls / 2);
    EXPECT_GT(results[PANELINK_READ_TIMED_OUT], 0);
    expect_same(before, Resources::now());
    CloseDevices(static_cast<uint32_t>(count), records.data());
}

TEST_F(SoakTest, BoardUnpluggedMidPollComesBackAfterDetectingAgain) {
    Records records(PANELINK_MAX_DEVICES + 1);
    const Resources before = Resources::now();
    for (int round = 0; round < 200; ++round) {
        int32_t count = 0;
        ASSERT_EQ(DetectHID(&count, records.data(), PANELINK_MODE_STANDARD), 1);
        ASSERT_EQ(count, 4);
        uint8_t states[PANELINK_INPUT_STATES_SIZE] = {};
        DeviceRecord &board = records[0]; // the 0x0500 board, the first one plugged in
        ASSERT_EQ(board.ProductID, 0x0500);
        EXPECT_EQ(ReadInputData(&board, states, 0), PANELINK_READ_PENDING);

        // Unplugged with its read outstanding: the poll fails, and keeps failing.
        ASSERT_EQ(panelink_sim_remove(ids_[0]), 1);
        EXPECT_EQ(ReadInputData(&board, states, 0), PANELINK_READ_FAILED);
        EXPECT_EQ(ReadInputData(&board, states, 0), PANELINK_READ_FAILED);
        EXPECT_EQ(ReadData(&board, states), PANELINK_READ_FAILED);

        // The other boards carry on meanwhile.
        std::vector<uint8_t> report(65, 0);
        report[1] = 0x01;
        EXPECT_EQ(ReadInputData(&records[1], states, 0), PANELINK_READ_PENDING);
        panelink_sim_push_input(ids_[1], report.data(), report.size());
        EXPECT_EQ(ReadInputData(&records[1], states, 0), PANELINK_READ_DECODED);

        // Plugged back in (last in the walk now): closing the old handles and detecting
        // again finds it, and it is polled as before.
        CloseDevices(static_cast<uint32_t>(count), records.data());
        const int back_id = add_board(0x0500);
        ASSERT_GT(back_id, 0);
        ASSERT_EQ(DetectHID(&count, records.data(), PANELINK_MODE_STANDARD), 1);
        ASSERT_EQ(count, 4);
        DeviceRecord &back = records[3];
        ASSERT_EQ(back.ProductID, 0x0500);
        EXPECT_EQ(ReadInputData(&back, states, 0), PANELINK_READ_PENDING);
        report[1] = 0x80;
        panelink_sim_push_input(back_id, report.data(), report.size());
        EXPECT_EQ(ReadInputData(&back, states, 0), PANELINK_READ_DECODED);
        EXPECT_EQ(states[7], 1);
        CloseDevices(static_cast<uint32_t>(count), records.data());

        // Put the walk back in its first order for the next round.
        for (int id : ids_)
            panelink_sim_remove(id);
        panelink_sim_remove(back_id);
        plug_all();
        if (HasFatalFailure() || HasFailure())
            break;
    }
    EXPECT_EQ(open_device_count(), before.handles);
}

} // namespace
} // namespace panelink::test
