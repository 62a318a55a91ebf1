// ReadData and WriteData against virtual boards: results, time limits on the
// board's clock, exact report lengths and refused transfers.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "handle_table.h"
#include "platform/platform.h"

namespace {

constexpr uint8_t kUntouched = 0xAA;

using States = std::array<uint8_t, 512>;

States untouched() {
    States s;
    s.fill(kUntouched);
    return s;
}

const std::vector<uint8_t> kBoardDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
    0x95, 0x40, 0x09, 0x02, 0x81, 0x02, 0x95, 0x40, 0x09, 0x03, 0x91, 0x02, 0xC0};

// Generic desktop joystick: 16 buttons, then an X axis.
const std::vector<uint8_t> kJoystickDescriptor = {
    0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x05, 0x09, 0x19, 0x01, 0x29, 0x10,
    0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x10, 0x81, 0x02, 0x05, 0x01,
    0x09, 0x30, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0};

class TransportTest : public ::testing::Test {
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

    DeviceRecord add(const std::vector<uint8_t> &descriptor = kBoardDescriptor, uint16_t usage = 1,
                     uint16_t usage_page = 0xFF00) {
        PanelinkSimInterface iface{};
        iface.vendor_id = 0x12DA;
        iface.product_id = 0x0910;
        iface.path = "/sim/transport";
        iface.report_descriptor = descriptor.data();
        iface.report_descriptor_length = descriptor.size();
        id_ = panelink_sim_add(&iface);
        EXPECT_GT(id_, 0);
        DeviceRecord record{};
        record.Handle = panelink::register_device(panelink::platform::backend().open(iface.path));
        EXPECT_NE(record.Handle, 0u);
        handles_.push_back(record.Handle);
        record.InputReportByteLength = 65;
        record.OutputReportByteLength = 65;
        record.Usage = usage;
        record.UsagePage = usage_page;
        return record;
    }

    void push(std::vector<uint8_t> report) {
        ASSERT_EQ(panelink_sim_push_input(id_, report.data(), report.size()), 1);
    }

    static std::vector<uint8_t> report(uint8_t first, uint8_t second) {
        std::vector<uint8_t> r(65, 0);
        r[1] = first;
        r[2] = second;
        return r;
    }

    int id_ = 0;
    std::vector<uint32_t> handles_;
};

TEST_F(TransportTest, ReadDataDecodesTheReportPacked) {
    DeviceRecord record = add();
    push(report(0x01, 0x80));
    States s = untouched();
    ASSERT_EQ(ReadData(&record, s.data()), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 0x01);
    EXPECT_EQ(s[1], 0x80);
    EXPECT_TRUE(std::all_of(s.begin() + 2, s.begin() + 64, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(s.begin() + 64, s.end(), [](uint8_t b) { return b == kUntouched; }));
}

TEST_F(TransportTest, ReadDataTimesOutAfter1000MsOfBoardTimeWithoutRealWaiting) {
    DeviceRecord record = add();
    States s = untouched();
    const uint64_t board_start = panelink::platform::backend().now_ms();
    const auto real_start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadData(&record, s.data()), PANELINK_READ_TIMED_OUT);
    EXPECT_LT(std::chrono::steady_clock::now() - real_start, std::chrono::milliseconds(500));
    EXPECT_EQ(panelink::platform::backend().now_ms() - board_start, 1000u);
    EXPECT_EQ(s, untouched());

    // The cancelled read does not swallow the next report.
    push(report(0x05, 0));
    EXPECT_EQ(ReadData(&record, s.data()), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 0x05);
}

TEST_F(TransportTest, ReportsQueuedBehindTheReadOneAreDiscarded) {
    DeviceRecord record = add();
    push(report(0x11, 0));
    push(report(0x22, 0));
    States s = untouched();
    ASSERT_EQ(ReadData(&record, s.data()), PANELINK_READ_DECODED);
    EXPECT_EQ(s[0], 0x11);
    EXPECT_EQ(ReadData(&record, s.data()), PANELINK_READ_TIMED_OUT);
    EXPECT_EQ(s[0], 0x11);
}

TEST_F(TransportTest, ReadDataOnAJoystickGivesButtonStates) {
    DeviceRecord record = add(kJoystickDescriptor, 4, 1);
    record.InputReportByteLength = 4;
    push({0x00, 0x05, 0x80, 0xFF}); // buttons 1, 3 and 16; X at full scale
    States s = untouched();
    ASSERT_EQ(ReadData(&record, s.data()), PANELINK_READ_DECODED);
    for (size_t i = 0; i < 512; ++i)
        EXPECT_EQ(s[i], (i == 0 || i == 2 || i == 15) ? 1 : 0) << i;
}

TEST_F(TransportTest, ReadDataFailuresLeaveTheBufferAlone) {
    DeviceRecord record = add();
    States s = untouched();
    EXPECT_EQ(ReadData(nullptr, s.data()), PANELINK_READ_FAILED);
    EXPECT_EQ(ReadData(&record, nullptr), PANELINK_READ_FAILED);
    DeviceRecord too_long = record;
    too_long.InputReportByteLength = 66;
    push(report(0x01, 0));
    EXPECT_EQ(ReadData(&too_long, s.data()), PANELINK_READ_FAILED);

    ASSERT_EQ(panelink_sim_set_fault(id_, PANELINK_SIM_FAULT_READ_WAIT, 1), 1);
    EXPECT_EQ(ReadData(&record, s.data()), PANELINK_READ_FAILED);

    DeviceRecord closed = record;
    closed.Handle = 0;
    EXPECT_EQ(ReadData(&closed, s.data()), PANELINK_READ_FAILED);

    ASSERT_EQ(panelink_sim_remove(id_), 1);
    EXPECT_EQ(ReadData(&record, s.data()), PANELINK_READ_FAILED);
    EXPECT_EQ(s, untouched());
}

TEST_F(TransportTest, ReadDataTimeOutLeavesAPendingPollAlone) {
    DeviceRecord record = add();
    States s = untouched();
    ASSERT_EQ(ReadInputData(&record, s.data(), 0), PANELINK_READ_PENDING);
    EXPECT_EQ(ReadData(&record, s.data()), PANELINK_READ_TIMED_OUT);
    EXPECT_EQ(ReadInputData(&record, s.data(), 0), PANELINK_READ_PENDING);
    EXPECT_EQ(s, untouched());
}

TEST_F(TransportTest, WriteDataSendsExactlyOutputReportByteLength) {
    DeviceRecord record = add();
    std::array<uint8_t, 68> out{};
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(WriteData(&record, out.data()), 65);

    std::array<uint8_t, 80> sent{};
    ASSERT_EQ(panelink_sim_pop_output(id_, sent.data(), sent.size()), 65u);
    EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + 65, out.begin()));

    record.OutputReportByteLength = 9;
    EXPECT_EQ(WriteData(&record, out.data()), 9);
    EXPECT_EQ(panelink_sim_pop_output(id_, sent.data(), sent.size()), 9u);
    EXPECT_EQ(panelink_sim_pop_output(id_, sent.data(), sent.size()), 0u);
}

TEST_F(TransportTest, WriteDataReturnsZeroWhenNothingIsWritten) {
    DeviceRecord record = add();
    std::array<uint8_t, 65> out{};

    ASSERT_EQ(panelink_sim_set_fault(id_, PANELINK_SIM_FAULT_WRITE_TIMEOUT, 1), 1);
    const uint64_t board_start = panelink::platform::backend().now_ms();
    EXPECT_EQ(WriteData(&record, out.data()), 0);
    EXPECT_EQ(panelink::platform::backend().now_ms() - board_start, 100u);

    EXPECT_EQ(WriteData(nullptr, out.data()), 0);
    EXPECT_EQ(WriteData(&record, nullptr), 0);
    DeviceRecord empty = record;
    empty.OutputReportByteLength = 0;
    EXPECT_EQ(WriteData(&empty, out.data()), 0);
    DeviceRecord unknown = record;
    unknown.Handle = record.Handle + 0x10000;
    EXPECT_EQ(WriteData(&unknown, out.data()), 0);
    EXPECT_EQ(panelink_sim_pop_output(id_, out.data(), out.size()), 0u);

    ASSERT_TRUE(panelink::close_device(record.Handle));
    EXPECT_EQ(WriteData(&record, out.data()), 0);
}

TEST_F(TransportTest, WriteDataToAnUnpluggedBoardFails) {
    DeviceRecord record = add();
    std::array<uint8_t, 65> out{};
    ASSERT_EQ(panelink_sim_remove(id_), 1);
    EXPECT_EQ(WriteData(&record, out.data()), 0);
}

} // namespace
