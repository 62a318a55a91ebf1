// The library against a board that is a real USB HID device (a USB gadget on the kernel's virtual
// controller): USB texts and interface numbers from sysfs, and output reports that the kernel
// hands over synchronously, so a board that takes them late or never makes write() block.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include <panelink/panelink.h>

#include "kernel/kernel_fixture.h"
#include "kernel/support/usb_gadget_board.h"
#include "support/input_states.h"
#include "support/sim_boards.h"

namespace {

using namespace panelink::test::kernel;
using panelink::test::InputStates;
using panelink::test::UsbGadgetBoard;
using panelink::test::UsbGadgetIdentity;
using panelink::test::UsbGadgetInterface;

// Reports the board holds before it stops taking more: host writes wait from then on.
constexpr int kReportsHeld = 4;
// usbhid's limit for one interrupt OUT transfer, after which the kernel's write fails.
constexpr int kKernelWriteLimitMs = 5000;
// What a WriteData may take at most against a board that takes nothing: its 100 ms, with room
// for an emulated machine under load. Far below the kernel's limit that it must not wait for.
constexpr long kWriteCallLimitMs = 300;
// What closing may take with a write stuck in the kernel, on the same terms.
constexpr long kCloseLimitMs = 1000;

class UsbBoard : public KernelHidraw {
  protected:
    void SetUp() override {
        KernelHidraw::SetUp();
        UsbGadgetIdentity identity;
        identity.vendor = 0x12DA;
        identity.product = 0x0910;
        identity.bcd_device = 0x0123;
        identity.manufacturer = "Veltrane";
        identity.product_text = "Zephyr-Lite";
        identity.serial = "U42";
        const UsbGadgetInterface interface { panelink::test::vendor_descriptor() };
        std::string error;
        board_ = UsbGadgetBoard::create(identity, {interface, interface}, error);
        ASSERT_NE(board_, nullptr) << error;
        ASSERT_EQ(detect(), 1);
    }
    void TearDown() override {
        KernelHidraw::TearDown(); // the records go before the board does
        board_.reset();
    }

    DeviceRecord &main_record() { return record(board_->hidraw_node(0)); }

    // Output reports the board takes until none comes for timeout_ms.
    std::vector<std::vector<uint8_t>> take_outputs(int timeout_ms = 300) {
        std::vector<std::vector<uint8_t>> outputs;
        while (auto output = board_->read_output(0, timeout_ms))
            outputs.push_back(*output);
        return outputs;
    }

    // Fills the board with reports it does not take yet; the next write then waits in the kernel.
    void fill_board(DeviceRecord &record) {
        uint8_t report[68] = {};
        for (int i = 0; i < kReportsHeld; ++i) {
            report[1] = static_cast<uint8_t>(i);
            ASSERT_EQ(WriteData(&record, report), 65) << i;
        }
    }

    std::unique_ptr<UsbGadgetBoard> board_;
};

// The board's identity comes from its USB device; the interface number tells the configuration
// interface apart.
TEST_F(UsbBoard, RecordsCarryTheUsbDevicesIdentity) {
    DeviceRecord &r = main_record();
    EXPECT_EQ(std::string(r.DevicePath, r.DevicePathLength),
              board_->hidraw_node(0) + "#vid_12da&pid_0910&mi_00");
    EXPECT_EQ(r.VersionNumber, 0x0123);
    EXPECT_EQ(std::string(r.Manufacturer, r.ManufacturerLength), "Veltrane");
    EXPECT_EQ(std::string(r.ProductName, r.ProductNameLength), "Zephyr-Lite");
    EXPECT_EQ(std::string(r.SerialNumber), "U42");
    ASSERT_EQ(detect(PANELINK_MODE_DEVICES), 1);
    EXPECT_EQ(std::string(devices_[0].DevicePath, devices_[0].DevicePathLength),
              board_->hidraw_node(1) + "#vid_12da&pid_0910&mi_01");
    EXPECT_EQ(devices_[0].IsConfigInterface, 1);
}

// On the wire an unnumbered report has no ID byte: the library adds it on the way in, and the
// kernel drops it on the way out.
TEST_F(UsbBoard, ReportsCrossTheWireWithoutTheirZeroIdByte) {
    DeviceRecord &r = main_record();
    std::vector<uint8_t> input(64, 0);
    input[0] = 0x21;
    input[63] = 0x12;
    InputStates packed;
    std::thread reader([&] { EXPECT_EQ(ReadData(&r, packed.data()), PANELINK_READ_DECODED); });
    std::string error;
    EXPECT_TRUE(board_->write_input(0, input, 900, error)) << error;
    reader.join();
    EXPECT_TRUE(packed_as(packed, input));

    uint8_t output[68] = {};
    for (size_t i = 1; i < 65; ++i)
        output[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(WriteData(&r, output), 65);
    EXPECT_EQ(board_->read_output(0, 1000), std::vector<uint8_t>(output + 1, output + 65));
}

// A board that takes its report late: the write gives up after its 100 ms, the next one waits
// for it within its own 100 ms instead of queueing, and once the board takes reports again the
// late report arrives whole, though the caller reused its buffer at once.
TEST_F(UsbBoard, LateBoardCostsEachWriteItsTimeOutAndCorruptsNothing) {
    DeviceRecord &r = main_record();
    fill_board(r);
    uint8_t report[68];
    std::memset(report, 0x55, sizeof report);
    report[0] = 0;
    long worst = 0;
    auto start = Clock::now();
    EXPECT_EQ(WriteData(&r, report), 0);
    worst = std::max(worst, elapsed_ms(start));
    std::memset(report, 0x66, sizeof report);
    report[0] = 0;
    start = Clock::now();
    EXPECT_EQ(WriteData(&r, report), 0); // the previous report is still in the kernel
    worst = std::max(worst, elapsed_ms(start));
    EXPECT_LT(worst, kWriteCallLimitMs);
    std::cout << "[   INFO   ] slowest WriteData against a board that takes nothing: " << worst
              << " ms\n";

    std::vector<std::vector<uint8_t>> taken = take_outputs();
    ASSERT_EQ(taken.size(), static_cast<size_t>(kReportsHeld + 1));
    for (int i = 0; i < kReportsHeld; ++i)
        EXPECT_EQ(taken[i][0], i);
    EXPECT_EQ(taken.back(), std::vector<uint8_t>(64, 0x55));

    std::memset(report, 0x77, sizeof report);
    report[0] = 0;
    EXPECT_EQ(WriteData(&r, report), 65);
    EXPECT_EQ(take_outputs(), (std::vector<std::vector<uint8_t>>{std::vector<uint8_t>(64, 0x77)}));
}

// A board that never takes its report: the kernel fails the write after its own limit, and the
// board goes on working for reads and writes alike. Every WriteData meanwhile keeps to its limit,
// and the first one that finds the kernel free again hands its report over.
TEST_F(UsbBoard, WriteTheBoardNeverTakesFailsAloneAndTheBoardKeepsWorking) {
    DeviceRecord &r = main_record();
    fill_board(r);
    uint8_t report[68] = {};
    long worst = 0;
    const auto start = Clock::now();
    int writes = 0;
    while (elapsed_ms(start) < kKernelWriteLimitMs + 1000) {
        report[1] = static_cast<uint8_t>(0x80 | (++writes & 0x7F));
        const auto call = Clock::now();
        EXPECT_EQ(WriteData(&r, report), 0);
        worst = std::max(worst, elapsed_ms(call));
    }
    EXPECT_LT(worst, kWriteCallLimitMs);
    std::cout << "[   INFO   ] slowest of " << writes
              << " WriteData calls against a silent board: " << worst << " ms\n";

    InputStates states;
    ASSERT_EQ(ReadInputData(&r, states.data(), 0), PANELINK_READ_PENDING);
    std::string error;
    std::vector<uint8_t> input(64, 0);
    input[0] = 0x03;
    EXPECT_TRUE(board_->write_input(0, input, 1000, error)) << error;
    EXPECT_EQ(poll_until_done(r, states, 0), PANELINK_READ_DECODED);
    EXPECT_TRUE(unpacked_as(states, {0, 1}));

    // The held reports, then a later write's: the first stuck one (0x81) was dropped.
    const std::vector<std::vector<uint8_t>> taken = take_outputs();
    ASSERT_EQ(taken.size(), static_cast<size_t>(kReportsHeld + 1));
    EXPECT_GT(taken.back()[0], 0x81);
    report[1] = 0x42;
    EXPECT_EQ(WriteData(&r, report), 65);
    const std::vector<std::vector<uint8_t>> last = take_outputs();
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0][0], 0x42);
}

// Closing the records does not wait for a write stuck in the kernel, and neither does the end
// of a process beyond the kernel's own limit for that write.
TEST_F(UsbBoard, CloseAndExitDoNotWaitForAStuckWrite) {
    DeviceRecord &r = main_record();
    fill_board(r);
    uint8_t report[68] = {};
    EXPECT_EQ(WriteData(&r, report), 0);
    auto start = Clock::now();
    EXPECT_EQ(CloseDevices(static_cast<uint32_t>(count_), devices_), 1);
    count_ = 0;
    EXPECT_LT(elapsed_ms(start), kCloseLimitMs);
    EXPECT_EQ(take_outputs().size(), static_cast<size_t>(kReportsHeld + 1));

    // The same in a process that ends with its write stuck.
    start = Clock::now();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int32_t count = 0;
        DeviceRecord devices[4] = {};
        if (DetectHID(&count, devices, PANELINK_MODE_STANDARD) != 1 || count != 1)
            _exit(100);
        uint8_t output[68] = {};
        for (int i = 0; i < kReportsHeld; ++i) {
            if (WriteData(&devices[0], output) != 65)
                _exit(101);
        }
        _exit(WriteData(&devices[0], output) == 0 ? 0 : 102);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const long exited = elapsed_ms(start);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LT(exited, kKernelWriteLimitMs + 1000);
    std::cout << "[   INFO   ] a process with a stuck write ended after " << exited << " ms\n";
}

} // namespace
