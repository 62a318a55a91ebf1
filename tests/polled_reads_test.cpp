// ReadInputData against virtual boards on the manual clock: results 1 to 4,
// decoding, time-outs, handle changes, slot limits and the absence of
// allocation while polling.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "handle_table.h"
#include "platform/platform.h"

// Counts every allocation of the test program, so a test can prove a stretch of
// code makes none.
namespace {
size_t g_allocations = 0;
}

void *operator new(std::size_t size) {
    ++g_allocations;
    if (void *p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept {
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept {
    std::free(p);
}

namespace {

constexpr uint8_t kUntouched = 0xAA;

using States = std::array<uint8_t, 512>;

States untouched() {
    States s;
    s.fill(kUntouched);
    return s;
}

// Vendor-defined board: 64 data bytes in and out, no report IDs (65-byte
// reports).
const std::vector<uint8_t> kBoardDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
    0x95, 0x40, 0x09, 0x02, 0x81, 0x02, 0x95, 0x40, 0x09, 0x03, 0x91, 0x02, 0xC0};

struct Board {
    int id = 0;
    const char *path = nullptr;
    DeviceRecord record{};
};

class PolledReadsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        panelink_sim_enable(1);
        panelink_sim_reset();
    }
    void TearDown() override {
        for (uint32_t handle : handles_)
            panelink::close_device(handle);
        panelink_sim_reset();
    }

    Board add(const char *path, uint16_t device_index = 0) {
        PanelinkSimInterface iface{};
        iface.vendor_id = 0x12DA;
        iface.product_id = 0x0910;
        iface.path = path;
        iface.report_descriptor = kBoardDescriptor.data();
        iface.report_descriptor_length = kBoardDescriptor.size();
        Board board;
        board.id = panelink_sim_add(&iface);
        EXPECT_GT(board.id, 0);
        board.path = path;
        board.record.Handle = open(path);
        board.record.DeviceIndex = device_index;
        board.record.InputReportByteLength = 65;
        board.record.OutputReportByteLength = 65;
        board.record.Usage = 1;
        board.record.UsagePage = 0xFF00;
        return board;
    }

    uint32_t open(const char *path) {
        const uint32_t handle = panelink::register_device(panelink::platform::backend().open(path));
        EXPECT_NE(handle, 0u);
        handles_.push_back(handle);
        return handle;
    }

    static void push(const Board &board, uint8_t first, uint8_t second, size_t length = 65) {
        std::vector<uint8_t> report(length, 0);
        report[1] = first;
        if (length > 2)
            report[2] = second;
        ASSERT_EQ(panelink_sim_push_input(board.id, report.data(), report.size()), 1);
    }

    std::vector<uint32_t> handles_;
};

TEST_F(PolledReadsTest, FirstPollStartsTheReadAndAReportIsDecodedOnTheNext) {
    Board board = add("/sim/poll");
    States s = untouched();
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    EXPECT_EQ(s, untouched());

    push(board, 0x01, 0x80);
    ASSERT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_DECODED);
    for (size_t i = 0; i < 512; ++i)
        EXPECT_EQ(s[i], (i == 0 || i == 15) ? 1 : 0) << i;
    // The next read is already outstanding: nothing new yet.
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);

    push(board, 0x01, 0x80);
    States packed = untouched();
    ASSERT_EQ(ReadInputData(&board.record, packed.data(), 1), PANELINK_READ_DECODED);
    EXPECT_EQ(packed[0], 0x01);
    EXPECT_EQ(packed[1], 0x80);
    EXPECT_TRUE(
        std::all_of(packed.begin() + 2, packed.begin() + 64, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(
        std::all_of(packed.begin() + 64, packed.end(), [](uint8_t b) { return b == kUntouched; }));
}

TEST_F(PolledReadsTest, ShortReportDecodesOnlyTheBytesThatArrived) {
    Board board = add("/sim/short");
    States s = untouched();
    ASSERT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    push(board, 0xFF, 0x01, 3);
    ASSERT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_DECODED);
    for (size_t i = 0; i < 9; ++i)
        EXPECT_EQ(s[i], 1) << i;
    EXPECT_EQ(s[9], 0);
    EXPECT_EQ(s[16], kUntouched);
    EXPECT_EQ(s[511], kUntouched);
}

TEST_F(PolledReadsTest, TimeOutAfterMoreThan1000MsOnTheMonotonicClock) {
    Board board = add("/sim/timeout");
    States s = untouched();
    panelink_sim_advance_ms(59900); // a read started late in a minute ...
    ASSERT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    panelink_sim_advance_ms(200); // ... is not timed out when the next minute begins
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    panelink_sim_advance_ms(800);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    panelink_sim_advance_ms(1);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_TIMED_OUT);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);

    // A poll that comes minutes later is timed out too.
    panelink_sim_advance_ms(3 * 60 * 1000);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_TIMED_OUT);
    EXPECT_EQ(s, untouched());

    // After a time-out the slot works as before.
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    push(board, 0x02, 0);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_DECODED);
    EXPECT_EQ(s[1], 1);
}

TEST_F(PolledReadsTest, ReportsQueuedBehindTheDecodedOneAreDiscarded) {
    Board board = add("/sim/two");
    States s = untouched();
    ASSERT_EQ(ReadInputData(&board.record, s.data(), 1), PANELINK_READ_PENDING);
    push(board, 0x11, 0);
    push(board, 0x22, 0);
    ASSERT_EQ(ReadInputData(&board.record, s.data(), 1), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 0x11);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 1), PANELINK_READ_PENDING);
    panelink_sim_advance_ms(1001);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 1), PANELINK_READ_TIMED_OUT);
    EXPECT_EQ(s[0], 0x11);
}

TEST_F(PolledReadsTest, TransfersThatCannotStartFailWithoutDecoding) {
    Board board = add("/sim/refused");
    const States before = untouched();
    States s = before;
    EXPECT_EQ(ReadInputData(nullptr, s.data(), 0), PANELINK_READ_FAILED);
    EXPECT_EQ(ReadInputData(&board.record, nullptr, 0), PANELINK_READ_FAILED);

    for (uint16_t length : {0, 1, 66, 0xFFFF}) {
        DeviceRecord bad = board.record;
        bad.InputReportByteLength = length;
        EXPECT_EQ(ReadInputData(&bad, s.data(), 0), PANELINK_READ_FAILED) << length;
    }
    DeviceRecord unknown = board.record;
    unknown.Handle = 0x7FFF0123;
    EXPECT_EQ(ReadInputData(&unknown, s.data(), 0), PANELINK_READ_FAILED);

    // A read outstanding when the handle is closed is not decoded, even with a
    // report waiting.
    ASSERT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    push(board, 0xFF, 0xFF);
    ASSERT_TRUE(panelink::close_device(board.record.Handle));
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_FAILED);
    board.record.Handle = 0;
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_FAILED);
    EXPECT_EQ(s, before);
}

TEST_F(PolledReadsTest, ANewHandleAbandonsTheReadOfTheOldOne) {
    Board board = add("/sim/reopen");
    States s = untouched();
    ASSERT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    push(board, 0x01, 0);

    // Enumerated again while the first handle stays open: the old read is not
    // waited on.
    board.record.Handle = open(board.path);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    EXPECT_EQ(s, untouched());
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 1);

    // Closed and enumerated again.
    ASSERT_TRUE(panelink::close_device(board.record.Handle));
    board.record.Handle = open(board.path);
    push(board, 0x02, 0);
    States again = untouched();
    EXPECT_EQ(ReadInputData(&board.record, again.data(), 0), PANELINK_READ_PENDING);
    EXPECT_EQ(again, untouched());
    EXPECT_EQ(ReadInputData(&board.record, again.data(), 0), PANELINK_READ_DECODED);
    EXPECT_EQ(again[1], 1);
}

TEST_F(PolledReadsTest, EachDeviceIndexBelow128HasItsOwnSlot) {
    Board first = add("/sim/first", 0);
    Board last = add("/sim/last", 127);
    States s = untouched();
    ASSERT_EQ(ReadInputData(&first.record, s.data(), 1), PANELINK_READ_PENDING);
    ASSERT_EQ(ReadInputData(&last.record, s.data(), 1), PANELINK_READ_PENDING);
    push(last, 0x7F, 0);
    EXPECT_EQ(ReadInputData(&first.record, s.data(), 1), PANELINK_READ_PENDING);
    EXPECT_EQ(ReadInputData(&last.record, s.data(), 1), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 0x7F);

    // Indices beyond the slots fail and disturb no slot (128 does not wrap to
    // slot 0).
    push(first, 0x42, 0);
    States beyond = untouched();
    for (uint16_t index : {128, 255, 0xFFFF}) {
        DeviceRecord outside = first.record;
        outside.DeviceIndex = index;
        EXPECT_EQ(ReadInputData(&outside, beyond.data(), 1), PANELINK_READ_FAILED) << index;
    }
    EXPECT_EQ(beyond, untouched());
    EXPECT_EQ(ReadInputData(&first.record, s.data(), 1), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 0x42);
}

TEST_F(PolledReadsTest, FailedWaitAbandonsTheReadAndTheNextPollStartsAgain) {
    Board board = add("/sim/wait");
    States s = untouched();
    ASSERT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    ASSERT_EQ(panelink_sim_set_fault(board.id, PANELINK_SIM_FAULT_READ_WAIT, 1), 1);
    push(board, 0x01, 0);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_FAILED);
    EXPECT_EQ(s, untouched());
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 1);
}

TEST_F(PolledReadsTest, UnpluggedBoardFails) {
    Board board = add("/sim/unplug");
    States s = untouched();
    ASSERT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    push(board, 0x01, 0);
    ASSERT_EQ(panelink_sim_remove(board.id), 1);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_FAILED);
    EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_FAILED);
    EXPECT_EQ(s, untouched());
}

TEST_F(PolledReadsTest, PollingAllocatesNothing) {
    const size_t counted = g_allocations;
    ::operator delete(::operator new(16));
    ASSERT_EQ(g_allocations, counted + 1) << "the allocation counter is not in use";

    Board board = add("/sim/alloc");
    States s = untouched();
    ASSERT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
    push(board, 0x01, 0);
    ASSERT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_DECODED);

    for (int round = 0; round < 3; ++round) {
        push(board, static_cast<uint8_t>(round), 0x80);
        const size_t before = g_allocations;
        EXPECT_EQ(ReadInputData(&board.record, s.data(), round & 1), PANELINK_READ_DECODED);
        EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
        panelink_sim_advance_ms(1001);
        EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_TIMED_OUT);
        EXPECT_EQ(ReadInputData(&board.record, s.data(), 0), PANELINK_READ_PENDING);
        EXPECT_EQ(g_allocations, before) << "round " << round;
    }
}

} // namespace
