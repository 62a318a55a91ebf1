// The input decoder: board reports as bits or bytes, joystick reports by their
// button data items.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "handle_table.h"
#include "input_decoding.h"
#include "platform/platform.h"

namespace {

using panelink::decode_joystick_buttons;
using panelink::DecodeInputReport;
using panelink::hid::Capability;
using panelink::hid::DataItem;

constexpr uint8_t kUntouched = 0xAA;

// InputStates with guard bytes on both sides, pre-filled with a value no decode
// writes.
struct GuardedStates {
    std::array<uint8_t, 16 + 512 + 16> bytes;
    GuardedStates() { bytes.fill(kUntouched); }
    uint8_t *states() { return bytes.data() + 16; }
    uint8_t operator[](size_t i) const { return bytes[16 + i]; }
    bool guards_intact() const {
        return std::all_of(bytes.begin(), bytes.begin() + 16,
                           [](uint8_t b) { return b == kUntouched; }) &&
               std::all_of(bytes.end() - 16, bytes.end(),
                           [](uint8_t b) { return b == kUntouched; });
    }
};

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

std::vector<size_t> set_positions(const GuardedStates &s) {
    std::vector<size_t> out;
    for (size_t i = 0; i < 512; ++i) {
        if (s[i] != 0)
            out.push_back(i);
    }
    return out;
}

TEST(JoystickButtons, PressedItemsOfTheFirstCapabilityAndEverythingElseCleared) {
    const Capability caps[] = {button_cap(0, 31)};
    const DataItem items[] = {item(3), item(17), item(5, 0), item(32, 200)}; // off, axis
    GuardedStates s;
    decode_joystick_buttons(caps, 1, items, 4, s.states());
    EXPECT_EQ(set_positions(s), (std::vector<size_t>{3, 17}));
    EXPECT_EQ(s[3], 1);
    EXPECT_TRUE(s.guards_intact());
}

TEST(JoystickButtons, PositionsCountFromTheFirstCapabilityMinimum) {
    // Axes took data indices 0 and 1; the buttons start at 2.
    const Capability caps[] = {button_cap(2, 33)};
    const DataItem items[] = {item(0, 128), item(2), item(33)};
    GuardedStates s;
    decode_joystick_buttons(caps, 1, items, 3, s.states());
    EXPECT_EQ(set_positions(s), (std::vector<size_t>{0, 31}));
}

TEST(JoystickButtons, SecondCapabilityCountsAndFurtherOnesDoNot) {
    const Capability caps[] = {button_cap(10, 19), button_cap(30, 39), button_cap(50, 59)};
    const DataItem items[] = {item(10), item(35), item(55), item(25)};
    GuardedStates s;
    decode_joystick_buttons(caps, 3, items, 4, s.states());
    EXPECT_EQ(set_positions(s), (std::vector<size_t>{0, 25}));
    // With one capability the second range is not consulted.
    GuardedStates one;
    decode_joystick_buttons(caps, 1, items, 4, one.states());
    EXPECT_EQ(set_positions(one), (std::vector<size_t>{0}));
}

TEST(JoystickButtons, ItemsOutsideTheBufferAreDropped) {
    // Second range below the first minimum; first range reaching past 512
    // positions.
    const Capability caps[] = {button_cap(100, 1000), button_cap(0, 50)};
    const DataItem items[] = {item(3), item(611), item(612), item(1000), item(100)};
    GuardedStates s;
    decode_joystick_buttons(caps, 2, items, 5, s.states());
    EXPECT_EQ(set_positions(s), (std::vector<size_t>{0, 511}));
    EXPECT_TRUE(s.guards_intact());
}

TEST(JoystickButtons, NoCapabilityDecodesToZeros) {
    const DataItem items[] = {item(0), item(1)};
    GuardedStates s;
    decode_joystick_buttons(nullptr, 0, items, 2, s.states());
    EXPECT_TRUE(set_positions(s).empty());
    EXPECT_EQ(s[0], 0);
    EXPECT_TRUE(s.guards_intact());
}

// Vendor-defined board with `data_bytes` input and output bytes and no report
// IDs.
std::vector<uint8_t> board_descriptor(uint8_t data_bytes) {
    return {0x06, 0x00, 0xFF, 0x09,       0x01, 0xA1, 0x01,       0x15, 0x00,
            0x26, 0xFF, 0x00, 0x75,       0x08, 0x95, data_bytes, 0x09, 0x02,
            0x81, 0x02, 0x95, data_bytes, 0x09, 0x03, 0x91,       0x02, 0xC0};
}

// Joystick: two axes, then 32 buttons (data indices 2 to 33 in declaration
// order).
const std::vector<uint8_t> kJoystickDescriptor = {
    0x05, 0x01, 0x09, 0x04, 0xA1, 0x01,                         // generic desktop, joystick
    0x09, 0x30, 0x09, 0x31, 0x15, 0x00, 0x26, 0xFF, 0x00,       // X, Y, 0..255
    0x75, 0x08, 0x95, 0x02, 0x81, 0x02,                         // 2 x 8 bits, input
    0x05, 0x09, 0x19, 0x01, 0x29, 0x20, 0x15, 0x00, 0x25, 0x01, // buttons 1..32
    0x75, 0x01, 0x95, 0x20, 0x81, 0x02,                         // 32 x 1 bit, input
    0xC0};

class DecodeInputReportTest : public ::testing::Test {
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

    DeviceRecord open(const std::vector<uint8_t> &descriptor, uint16_t input_length,
                      uint16_t usage = 1, uint16_t usage_page = 0xFF00) {
        PanelinkSimInterface iface{};
        iface.vendor_id = 0x12DA;
        iface.product_id = 0x0910;
        iface.path = "/sim/decode";
        iface.report_descriptor = descriptor.data();
        iface.report_descriptor_length = descriptor.size();
        id_ = panelink_sim_add(&iface);
        EXPECT_GT(id_, 0);
        DeviceRecord record{};
        record.Handle = panelink::register_device(panelink::platform::backend().open(iface.path));
        EXPECT_NE(record.Handle, 0u);
        handles_.push_back(record.Handle);
        record.InputReportByteLength = input_length;
        record.OutputReportByteLength = input_length;
        record.Usage = usage;
        record.UsagePage = usage_page;
        return record;
    }

    int id_ = 0;
    std::vector<uint32_t> handles_;
};

std::array<uint8_t, 65> report_0x01_0x80() {
    std::array<uint8_t, 65> report{};
    report[1] = 0x01;
    report[2] = 0x80;
    return report;
}

TEST_F(DecodeInputReportTest, UnpackedBoardReportGivesOneBytePerBit) {
    DeviceRecord record = open(board_descriptor(64), 65);
    const auto report = report_0x01_0x80();
    GuardedStates s;
    ASSERT_TRUE(DecodeInputReport(&record, s.states(), report.data(), report.size(), 0));
    EXPECT_EQ(set_positions(s), (std::vector<size_t>{0, 15}));
    EXPECT_EQ(s[0], 1);
    EXPECT_EQ(s[15], 1);
    EXPECT_TRUE(s.guards_intact());
}

TEST_F(DecodeInputReportTest, PackedBoardReportCopiesDataBytesOnly) {
    DeviceRecord record = open(board_descriptor(64), 65);
    auto report = report_0x01_0x80();
    report[0] = 0x5A; // the report ID byte is never decoded
    GuardedStates s;
    ASSERT_TRUE(DecodeInputReport(&record, s.states(), report.data(), report.size(), 7));
    EXPECT_EQ(s[0], 0x01);
    EXPECT_EQ(s[1], 0x80);
    for (size_t i = 2; i < 64; ++i)
        EXPECT_EQ(s[i], 0) << i;
    for (size_t i = 64; i < 512; ++i)
        EXPECT_EQ(s[i], kUntouched) << i;
}

TEST_F(DecodeInputReportTest, ShortReportsWriteOnlyTheirPositions) {
    DeviceRecord record = open(board_descriptor(8), 9);
    std::array<uint8_t, 9> report{0, 0xFF, 0, 0, 0, 0, 0, 0, 0x80};
    GuardedStates s;
    ASSERT_TRUE(DecodeInputReport(&record, s.states(), report.data(), report.size(), 0));
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(s[i], 1);
    for (size_t i = 8; i < 63; ++i)
        EXPECT_EQ(s[i], 0);
    EXPECT_EQ(s[63], 1);
    for (size_t i = 64; i < 512; ++i)
        EXPECT_EQ(s[i], kUntouched);

    // A report that came shorter than the record says: only the bytes that
    // arrived count.
    GuardedStates partial;
    DeviceRecord long_record = record;
    long_record.InputReportByteLength = 65;
    ASSERT_TRUE(DecodeInputReport(&long_record, partial.states(), report.data(), 2, 0));
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(partial[i], 1);
    EXPECT_EQ(partial[8], kUntouched);
}

TEST_F(DecodeInputReportTest, RefusedWithoutTouchingTheBuffer) {
    DeviceRecord record = open(board_descriptor(64), 65);
    const auto report = report_0x01_0x80();
    GuardedStates s;

    DeviceRecord too_long = record;
    too_long.InputReportByteLength = 66;
    EXPECT_FALSE(DecodeInputReport(&too_long, s.states(), report.data(), report.size(), 0));
    DeviceRecord too_short = record;
    too_short.InputReportByteLength = 1;
    EXPECT_FALSE(DecodeInputReport(&too_short, s.states(), report.data(), report.size(), 0));
    DeviceRecord unknown = record;
    unknown.Handle = record.Handle + 0x10000; // same table slot, other generation
    EXPECT_FALSE(DecodeInputReport(&unknown, s.states(), report.data(), report.size(), 0));
    EXPECT_FALSE(DecodeInputReport(nullptr, s.states(), report.data(), report.size(), 0));
    EXPECT_FALSE(DecodeInputReport(&record, s.states(), nullptr, report.size(), 0));

    panelink::close_device(record.Handle);
    EXPECT_FALSE(DecodeInputReport(&record, s.states(), report.data(), report.size(), 0));
    EXPECT_EQ(set_positions(s).size(), 512u);
    EXPECT_EQ(s[0], kUntouched);
}

TEST_F(DecodeInputReportTest, JoystickMarksPressedButtonsWhateverThePackedFlag) {
    // Buttons 4 and 18 (positions 3 and 17), X = 0xFF.
    DeviceRecord record = open(kJoystickDescriptor, 7, 4, 1);
    const std::array<uint8_t, 7> report{0, 0xFF, 0x00, 0x08, 0x00, 0x02, 0x00};
    for (int32_t packed : {0, 1}) {
        GuardedStates s;
        ASSERT_TRUE(DecodeInputReport(&record, s.states(), report.data(), report.size(), packed));
        EXPECT_EQ(set_positions(s), (std::vector<size_t>{3, 17})) << packed;
        EXPECT_EQ(s[17], 1);
        EXPECT_TRUE(s.guards_intact());
    }
}

TEST_F(DecodeInputReportTest, DecodeDiscardsQueuedReports) {
    DeviceRecord record = open(board_descriptor(64), 65);
    const auto report = report_0x01_0x80();
    ASSERT_EQ(panelink_sim_push_input(id_, report.data(), report.size()), 1);
    ASSERT_EQ(panelink_sim_push_input(id_, report.data(), report.size()), 1);
    GuardedStates s;
    ASSERT_TRUE(DecodeInputReport(&record, s.states(), report.data(), report.size(), 0));

    auto *device = panelink::find_device(record.Handle);
    ASSERT_NE(device, nullptr);
    uint8_t buffer[65];
    panelink::platform::InputRead read;
    read.buffer = buffer;
    read.length = sizeof buffer;
    ASSERT_TRUE(device->start_read(read));
    EXPECT_EQ(device->wait_read(read, 0), panelink::platform::WaitResult::TimedOut);
    device->cancel_read(read);
}

} // namespace
