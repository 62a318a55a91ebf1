// The library against the kernel's own HID stack: boards served through /dev/uhid, found in the
// real sysfs and reached through real /dev/hidrawN nodes. Runs as root on a machine with the uhid
// and hid-generic modules loaded (tests/kernel/guest boots one), and fails where it cannot.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include <panelink/panelink.h>

#include "backends/hidraw/io_ring.h"
#include "kernel/kernel_fixture.h"
#include "support/input_states.h"
#include "support/report_descriptors.h"
#include "support/sim_boards.h"
#include "virtual_hid_device.h"

namespace {

using namespace panelink::test::kernel;
using namespace panelink::test;
using panelink::uhid::Event;
using panelink::uhid::EventType;
using panelink::uhid::Identity;
using panelink::uhid::VirtualHidDevice;

// One board interface as a kernel HID device.
class KernelBoard {
  public:
    KernelBoard(uint16_t vendor, uint16_t product, std::string name, std::string serial,
                int interface_number, std::vector<uint8_t> descriptor) {
        Identity identity;
        identity.vendor = vendor;
        identity.product = product;
        identity.version = 0x0100;
        identity.name = std::move(name);
        identity.uniq = std::move(serial);
        identity.phys = panelink::uhid::phys_for_interface(interface_number);
        identity.descriptor = std::move(descriptor);
        identity_ = identity;
        plug();
    }

    // Creates the kernel device (again, after an unplug) and waits for its node.
    void plug() {
        std::string error;
        device_ = VirtualHidDevice::create(identity_, error);
        ASSERT_NE(device_, nullptr) << error;
        node_ = device_->hidraw_node(5000);
        ASSERT_FALSE(node_.empty()) << "no hidraw node for " << identity_.phys;
    }
    void unplug() { ASSERT_TRUE(device_->destroy()) << device_->last_error(); }

    const std::string &node() const { return node_; }

    void send(const std::vector<uint8_t> &report) {
        ASSERT_TRUE(device_->send_input(report.data(), report.size())) << device_->last_error();
    }

    // The next output report the kernel passes on, or an empty vector after timeout_ms.
    std::vector<uint8_t> next_output(int timeout_ms = 2000) {
        const auto start = Clock::now();
        Event event;
        while (elapsed_ms(start) < timeout_ms) {
            if (device_->next_event(event, 50) && event.type == EventType::Output)
                return event.data;
        }
        return {};
    }

  private:
    Identity identity_;
    std::unique_ptr<VirtualHidDevice> device_;
    std::string node_;
};

// The io_uring rings the process holds open.
size_t open_rings() {
    size_t rings = 0;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(entry.path(), error);
        rings += !error && target.string() == "anon_inode:[io_uring]" ? 1 : 0;
    }
    return rings;
}

std::vector<uint8_t> board_report(std::initializer_list<std::pair<size_t, uint8_t>> set,
                                  size_t length = 64) {
    std::vector<uint8_t> report(length, 0);
    for (const auto &[at, value] : set)
        report[at] = value;
    return report;
}

// uhid boards: kernel HID devices without a USB parent.
class UhidBoards : public KernelHidraw {
  protected:
    static void SetUpTestSuite() {
        KernelHidraw::SetUpTestSuite();
        ASSERT_EQ(access("/dev/uhid", R_OK | W_OK), 0) << "needs the uhid module";
    }
};

TEST_F(UhidBoards, EnumerationFindsTheBoardsWithPathsTextsAndLog) {
    KernelBoard main_interface(0x12DA, 0x0910, "Zephyr-Lite", "K0910", 0,
                               panelink::test::vendor_descriptor());
    KernelBoard config_interface(0x12DA, 0x0910, "Zephyr-Lite", "K0910", 1,
                                 panelink::test::vendor_descriptor());
    KernelBoard joystick(0x12DA, 0x0600, "Zephyr - USB Adapter", "", 0, kJoystickDescriptor);
    KernelBoard mouse(0x046D, 0xC077, "Other Mouse", "", 0, kJoystickDescriptor);

    ASSERT_EQ(detect(), 2);
    DeviceRecord &board = record(main_interface.node());
    EXPECT_EQ(std::string(board.DevicePath, board.DevicePathLength),
              main_interface.node() + "#vid_12da&pid_0910&mi_00");
    EXPECT_EQ(board.VendorID, 0x12DA);
    EXPECT_EQ(board.InputReportByteLength, 65);
    EXPECT_EQ(board.OutputReportByteLength, 65);
    EXPECT_EQ(board.UsagePage, 0xFF00);
    EXPECT_EQ(std::string(board.ProductName, board.ProductNameLength), "Zephyr-Lite");
    // Without a USB parent there is no manufacturer text: the fallback stands in.
    EXPECT_EQ(std::string(board.Manufacturer, board.ManufacturerLength), "Veltrane Inc.");
    EXPECT_EQ(std::string(board.SerialNumber), "K09");
    DeviceRecord &adapter = record(joystick.node());
    EXPECT_EQ(adapter.Usage, 4);
    EXPECT_EQ(adapter.UsagePage, 1);
    EXPECT_EQ(adapter.InputReportByteLength, 7);
    EXPECT_FALSE(has_record(mouse.node()));

    const std::string text = log();
    EXPECT_NE(text.find("Found ProductID 0x910\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Found ProductID 0x600\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("0x46d"), std::string::npos) << text;
    EXPECT_NE(text.find("\nNum Devices Detected : 2\n"), std::string::npos) << text;

    // The configuration interface is told apart by its interface number alone.
    ASSERT_EQ(detect(PANELINK_MODE_DEVICES), 1);
    EXPECT_EQ(std::string(devices_[0].DevicePath, devices_[0].DevicePathLength),
              config_interface.node() + "#vid_12da&pid_0910&mi_01");
    EXPECT_EQ(devices_[0].IsConfigInterface, 1);
    EXPECT_EQ(std::string(devices_[0].ProductName, devices_[0].ProductNameLength),
              "Zephyr-Lite CFG");
}

// Unnumbered reports get their 0 byte on the way in and keep it on the way out; numbered ones
// travel with their ID byte both ways.
TEST_F(UhidBoards, ReportsTravelBothWaysNumberedOrNot) {
    KernelBoard plain(0x12DA, 0x0700, "Halcyon-64 USB MODULE", "K0700", 0,
                      panelink::test::vendor_descriptor());
    KernelBoard numbered(0x12DA, 0x0500, "Halcyon-256 USB MODULE", "K0500", 0, kNumberedDescriptor);
    KernelBoard feature_id(0x12DA, 0x0800, "Lumenet", "K0800", 0, kFeatureIdDescriptor);
    ASSERT_EQ(detect(), 3);

    struct Case {
        KernelBoard *board;
        uint8_t id;
    };
    for (const Case &c : {Case{&plain, 0}, Case{&numbered, 2}, Case{&feature_id, 0}}) {
        SCOPED_TRACE(c.board->node());
        DeviceRecord &r = record(c.board->node());
        ASSERT_EQ(r.InputReportByteLength, 65);
        std::vector<uint8_t> report = board_report({{0, 0x81}, {63, 0x42}});
        if (c.id != 0)
            report.insert(report.begin(), c.id);
        c.board->send(report);
        InputStates packed;
        ASSERT_EQ(ReadData(&r, packed.data()), PANELINK_READ_DECODED);
        EXPECT_TRUE(packed_as(packed, board_report({{0, 0x81}, {63, 0x42}})));

        uint8_t output[68] = {};
        output[0] = c.id;
        output[1] = 0x37;
        output[64] = 0x73;
        EXPECT_EQ(WriteData(&r, output), 65);
        const std::vector<uint8_t> received = c.board->next_output();
        EXPECT_EQ(received, std::vector<uint8_t>(output, output + 65));
    }
}

TEST_F(UhidBoards, PolledReadsDecodeBoardsAndJoysticks) {
    KernelBoard board(0x12DA, 0x0700, "Halcyon-64 USB MODULE", "K0700", 0,
                      panelink::test::vendor_descriptor());
    KernelBoard joystick(0x12DA, 0x0600, "Zephyr - USB Adapter", "", 0, kJoystickDescriptor);
    ASSERT_EQ(detect(), 2);
    DeviceRecord &b = record(board.node());
    DeviceRecord &j = record(joystick.node());

    InputStates unpacked;
    ASSERT_EQ(ReadInputData(&b, unpacked.data(), 0), PANELINK_READ_PENDING);
    board.send(board_report({{0, 0x01}, {1, 0x80}}));
    ASSERT_EQ(poll_until_done(b, unpacked, 0), PANELINK_READ_DECODED);
    EXPECT_TRUE(unpacked_as(unpacked, {0, 15}));

    InputStates packed;
    ASSERT_EQ(ReadInputData(&b, packed.data(), 1), PANELINK_READ_PENDING);
    board.send(board_report({{2, 0x5A}}));
    ASSERT_EQ(poll_until_done(b, packed, 1), PANELINK_READ_DECODED);
    EXPECT_TRUE(packed_as(packed, {0x00, 0x00, 0x5A}));

    // Buttons 1, 10 and 32 (bits 0, 9 and 31 after the ID byte), X and Y off-centre.
    InputStates buttons;
    ASSERT_EQ(ReadInputData(&j, buttons.data(), 0), PANELINK_READ_PENDING);
    joystick.send({0x01, 0x01, 0x02, 0x00, 0x80, 0x10, 0xF0});
    ASSERT_EQ(poll_until_done(j, buttons, 0), PANELINK_READ_DECODED);
    EXPECT_TRUE(unpacked_as(buttons, {0, 9, 31}));
}

// A board's polls are watched through an io_uring ring of its own on this kernel, and through
// none when PANELINK_IO_URING=0 turns rings off (both-io-paths runs this program both ways), so
// that both paths are the ones tested here. A closed board leaves no ring behind.
TEST_F(UhidBoards, ReadsGoThroughARingUnlessTurnedOff) {
    const char *forced = getenv("PANELINK_IO_URING");
    const bool rings = forced == nullptr || std::string(forced) != "0";
    EXPECT_EQ(panelink::platform::hidraw::io_ring_enabled(), rings);
    KernelBoard board(0x12DA, 0x0700, "Halcyon-64 USB MODULE", "K0700", 0,
                      panelink::test::vendor_descriptor());
    ASSERT_EQ(detect(), 1);
    const size_t before = open_rings();
    InputStates states;
    ASSERT_EQ(ReadInputData(&record(board.node()), states.data(), 0), PANELINK_READ_PENDING);
    EXPECT_EQ(open_rings(), before + (rings ? 1 : 0));
    ASSERT_EQ(detect(), 1); // closes the records of the first detection
    EXPECT_EQ(open_rings(), before);
}

// A report shorter than the record's length leaves no input as the previous report had it. The
// kernel drops reports shorter than their descriptor says, so the short one here is a report of
// its own: ID 2 carries 2 data bytes where ID 1 carries 64.
TEST_F(UhidBoards, ShortReportIsPaddedWithZeros) {
    KernelBoard board(0x12DA, 0x0700, "Halcyon-64 USB MODULE", "K0700", 0, kTwoReportDescriptor);
    ASSERT_EQ(detect(), 1);
    DeviceRecord &b = record(board.node());
    ASSERT_EQ(b.InputReportByteLength, 65);
    InputStates packed;
    std::vector<uint8_t> full(65, 0xFF);
    full[0] = 0x01;
    board.send(full);
    ASSERT_EQ(ReadData(&b, packed.data()), PANELINK_READ_DECODED);
    board.send({0x02, 0x12, 0x34});
    ASSERT_EQ(ReadData(&b, packed.data()), PANELINK_READ_DECODED);
    EXPECT_TRUE(packed_as(packed, {0x12, 0x34}));
}

// ReadData decodes the first queued report and discards the rest; with nothing more coming it
// gives up after its second. A poll gives up after its own second as well.
TEST_F(UhidBoards, FlushAndTimeOuts) {
    KernelBoard board(0x12DA, 0x0700, "Halcyon-64 USB MODULE", "K0700", 0,
                      panelink::test::vendor_descriptor());
    ASSERT_EQ(detect(), 1);
    DeviceRecord &b = record(board.node());
    for (uint8_t i = 1; i <= 3; ++i)
        board.send(board_report({{0, i}}));
    InputStates packed;
    ASSERT_EQ(ReadData(&b, packed.data()), PANELINK_READ_DECODED);
    EXPECT_TRUE(packed_as(packed, {0x01}));

    auto start = Clock::now();
    InputStates untouched;
    EXPECT_EQ(ReadData(&b, untouched.data()), PANELINK_READ_TIMED_OUT);
    long waited = elapsed_ms(start);
    EXPECT_GE(waited, 990);
    EXPECT_LT(waited, 1500);
    EXPECT_TRUE(untouched.untouched());

    start = Clock::now();
    ASSERT_EQ(ReadInputData(&b, untouched.data(), 0), PANELINK_READ_PENDING);
    EXPECT_EQ(poll_until_done(b, untouched, 0, 3000), PANELINK_READ_TIMED_OUT);
    waited = elapsed_ms(start);
    EXPECT_GE(waited, 1000);
    EXPECT_LT(waited, 1500);
    EXPECT_TRUE(untouched.untouched());
}

// An unplug fails a pending poll and a blocking read within milliseconds, not at their time-out;
// the board plugged in again is found by the next detection and works.
TEST_F(UhidBoards, UnplugFailsReadsAtOnceAndReplugIsFoundAgain) {
    KernelBoard polled(0x12DA, 0x0700, "Halcyon-64 USB MODULE", "K0701", 0,
                       panelink::test::vendor_descriptor());
    KernelBoard blocking(0x12DA, 0x0500, "Halcyon-256 USB MODULE", "K0501", 0,
                         panelink::test::vendor_descriptor());
    ASSERT_EQ(detect(), 2);
    DeviceRecord &p = record(polled.node());
    DeviceRecord &b = record(blocking.node());

    InputStates states;
    ASSERT_EQ(ReadInputData(&p, states.data(), 0), PANELINK_READ_PENDING);
    polled.unplug();
    const auto unplugged = Clock::now();
    EXPECT_EQ(poll_until_done(p, states, 0), PANELINK_READ_FAILED);
    EXPECT_LT(elapsed_ms(unplugged), 200);

    std::atomic<int32_t> result{0};
    std::atomic<long> finished_after{-1};
    const auto started = Clock::now();
    std::thread reader([&] {
        InputStates blocking_states;
        result = ReadData(&b, blocking_states.data());
        finished_after = elapsed_ms(started);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    blocking.unplug();
    reader.join();
    EXPECT_EQ(result.load(), PANELINK_READ_FAILED);
    EXPECT_LT(finished_after.load(), 800);

    polled.plug();
    ASSERT_EQ(detect(), 1);
    DeviceRecord &again = record(polled.node());
    ASSERT_EQ(ReadInputData(&again, states.data(), 0), PANELINK_READ_PENDING);
    polled.send(board_report({{0, 0x04}}));
    EXPECT_EQ(poll_until_done(again, states, 0), PANELINK_READ_DECODED);
    EXPECT_TRUE(unpacked_as(states, {2}));
}

// A user without access to the nodes finds nothing, and the log says why for each node.
TEST_F(UhidBoards, UnprivilegedProcessLogsPermissionDenied) {
    KernelBoard board(0x12DA, 0x0700, "Halcyon-64 USB MODULE", "K0700", 0,
                      panelink::test::vendor_descriptor());
    ASSERT_EQ(chmod(work_.c_str(), 0777), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(100);
        int32_t count = -1;
        DeviceRecord devices[8] = {};
        const int32_t result = DetectHID(&count, devices, PANELINK_MODE_STANDARD);
        _exit(result == 0 && count == 0 ? 0 : 101); // nothing found
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string text = log();
    EXPECT_NE(text.find(board.node() + "#vid_12da&pid_0700&mi_00CreateFile : INVALID_HANDLE_VALUE\n"
                                       "Error ; 13 - Permission denied\n"),
              std::string::npos)
        << text;
}

} // namespace
