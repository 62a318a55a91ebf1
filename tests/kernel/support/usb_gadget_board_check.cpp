// Self-check of UsbGadgetBoard against the real kernel: the host side's identity in sysfs, input
// reports both ways of numbering, output reports taken late, held until usbhid's time-out, or
// taken continuously, and a clean unplug. Runs as root in the QEMU guest:
//
//   tests/kernel/guest --module dummy_hcd --module libcomposite --module usb_f_hid
//       --module usbhid --module hid-generic -- build/usb_gadget_board_check
//
// Prints one line per check and closes with "N passed, N failed"; exits non-zero on any failure.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "usb_gadget_board.h"

namespace {

using panelink::test::UsbGadgetBoard;
using panelink::test::UsbGadgetIdentity;
using panelink::test::UsbGadgetInterface;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

int passed = 0;
int failed = 0;

void check(bool ok, const std::string &what) {
    std::printf("%s %s\n", ok ? "ok     " : "FAILED ", what.c_str());
    (ok ? passed : failed)++;
}

// ": reason" after a check's text when a step reported one.
std::string reason(const std::string &error) {
    return error.empty() ? "" : ": " + error;
}

long ms_since(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

std::string attribute(const fs::path &path) {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
}

// Vendor page, 64 data bytes each way, no report IDs.
const std::vector<uint8_t> kPlainDescriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00,
                                               0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x02,
                                               0x81, 0x02, 0x09, 0x03, 0x91, 0x02, 0xC0};
// Vendor page, Report ID 2 with 8 data bytes each way.
const std::vector<uint8_t> kNumberedDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x08, 0x09, 0x02, 0x81, 0x02, 0x09, 0x03, 0x91, 0x02, 0xC0};

std::vector<uint8_t> pattern(uint8_t first, size_t length) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

// Reads one report from a hidraw node, waiting up to timeout_ms.
std::vector<uint8_t> read_hidraw(int fd, int timeout_ms) {
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, timeout_ms) <= 0)
        return {};
    std::vector<uint8_t> report(256);
    ssize_t got = ::read(fd, report.data(), report.size());
    report.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return report;
}

struct TimedWrite {
    ssize_t result;
    int error;
    long ms;
};

TimedWrite timed_write(int fd, const std::vector<uint8_t> &report) {
    auto start = Clock::now();
    ssize_t result = ::write(fd, report.data(), report.size());
    return {result, result < 0 ? errno : 0, ms_since(start)};
}

// An output report as written to hidraw: the report ID byte (0 without IDs) before the data.
std::vector<uint8_t> output_report(uint8_t id, uint8_t first, size_t data_length) {
    std::vector<uint8_t> report = pattern(first, data_length);
    report.insert(report.begin(), id);
    return report;
}

void check_identity(const UsbGadgetBoard &board) {
    fs::path usb = board.usb_device_path();
    check(attribute(usb / "idVendor") == "1234" && attribute(usb / "idProduct") == "0910",
          "host sees vendor 1234, product 0910");
    check(attribute(usb / "bcdDevice") == "0123", "host sees bcdDevice 0123");
    check(attribute(usb / "product") == "Check Board" && attribute(usb / "serial") == "CHK001",
          "host sees the product text and serial");
    check(!fs::exists(usb / "manufacturer"), "a missing text is missing on the host too");
    for (size_t i = 0; i < board.interface_count(); ++i) {
        fs::path hid = fs::canonical("/sys/class/hidraw" /
                                     fs::path(board.hidraw_node(i)).filename() / "device");
        check(attribute(hid.parent_path() / "bInterfaceNumber") == "0" + std::to_string(i),
              board.hidraw_node(i) + " belongs to interface " + std::to_string(i));
    }
}

void check_inputs(UsbGadgetBoard &board, int plain_fd, int numbered_fd) {
    std::string error;
    std::vector<uint8_t> plain = pattern(0x40, 64);
    bool sent = board.write_input(0, plain, 1000, error);
    check(sent && read_hidraw(plain_fd, 2000) == plain,
          "a 64-byte input report reaches the hidraw reader unchanged" + reason(error));
    std::vector<uint8_t> numbered = pattern(0x10, 9);
    numbered[0] = 2;
    sent = board.write_input(1, numbered, 1000, error);
    check(sent && read_hidraw(numbered_fd, 2000) == numbered,
          "a numbered input report arrives with its ID byte first" + reason(error));
}

void check_outputs_taken_late(UsbGadgetBoard &board, int fd) {
    // The board holds four reports without taking any; the fifth write waits for the board.
    bool quick = true;
    for (uint8_t i = 0; i < 4; ++i) {
        TimedWrite w = timed_write(fd, output_report(0, i * 16, 64));
        quick = quick && w.result == 65 && w.ms < 1000;
    }
    check(quick, "four output writes return at once while the board takes nothing");
    auto late =
        std::async(std::launch::async, [&] { return timed_write(fd, output_report(0, 0xA0, 64)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    auto first = board.read_output(0, 1000);
    TimedWrite w = late.get();
    std::printf("        the fifth write returned %zd after %ld ms\n", w.result, w.ms);
    check(w.result == 65 && w.ms >= 1300 && w.ms < 4500,
          "the fifth write returns when the board takes a report 1.5 s later");
    check(first && *first == pattern(0, 64),
          "the board gets the oldest report's 64 data bytes, without the 0 ID byte");
    check(board.discard_outputs(0) == 4, "the other four reports are waiting on the board");
}

void check_output_time_out(UsbGadgetBoard &board, int fd) {
    for (uint8_t i = 0; i < 4; ++i)
        timed_write(fd, output_report(0, i, 64));
    TimedWrite w = timed_write(fd, output_report(0, 0xEE, 64));
    std::printf("        the held write returned %zd (%s) after %ld ms\n", w.result,
                w.result < 0 ? std::strerror(w.error) : "ok", w.ms);
    check(w.result < 0 && w.error == ETIMEDOUT && w.ms >= 4500 && w.ms < 8000,
          "a write the board never takes fails with ETIMEDOUT after about 5 s");
    board.discard_outputs(0);
}

void check_outputs_taken_continuously(UsbGadgetBoard &board, int fd) {
    board.take_outputs_continuously(1);
    auto start = Clock::now();
    bool all_written = true;
    for (uint8_t i = 0; i < 20; ++i)
        all_written = all_written && timed_write(fd, output_report(2, i, 8)).result == 9;
    long ms = ms_since(start);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto taken = board.taken(1);
    bool in_order = taken.size() == 20;
    for (size_t i = 0; in_order && i < taken.size(); ++i)
        in_order = taken[i] == output_report(2, static_cast<uint8_t>(i), 8);
    std::printf("        20 numbered writes took %ld ms\n", ms);
    check(all_written && ms < 4000, "writes never wait while the board takes continuously");
    check(in_order, "the board took 20 numbered reports, ID byte first, in order");
}

void check_unplug(std::unique_ptr<UsbGadgetBoard> board, int fd) {
    std::string node = board->hidraw_node(0);
    std::string usb = board->usb_device_path();
    check(board->remove(), "remove() unbinds the gadget and deletes it from configfs");
    pollfd ready{fd, POLLIN, 0};
    int polled = ::poll(&ready, 1, 2000);
    check(polled == 1 && (ready.revents & (POLLHUP | POLLERR)),
          "a poller of the removed board's hidraw node sees POLLHUP|POLLERR");
    std::vector<uint8_t> buffer(64);
    errno = 0;
    check(::read(fd, buffer.data(), buffer.size()) < 0 && errno == EIO,
          "a read of the removed board fails with EIO");
    errno = 0;
    check(::write(fd, buffer.data(), buffer.size()) < 0 && errno == ENODEV,
          "a write to the removed board fails with ENODEV");
    check(!fs::exists(node) && !fs::exists(usb), "the node and the USB device are gone");
}

} // namespace

int main() {
    UsbGadgetIdentity identity;
    identity.vendor = 0x1234;
    identity.product = 0x0910;
    identity.bcd_device = 0x0123;
    identity.product_text = "Check Board";
    identity.serial = "CHK001";
    std::vector<UsbGadgetInterface> interfaces = {{kPlainDescriptor, 64}, {kNumberedDescriptor, 9}};

    std::string error;
    auto start = Clock::now();
    auto board = UsbGadgetBoard::create(identity, interfaces, error);
    check(board != nullptr, "create a two-interface board" + reason(error));
    if (!board) {
        std::printf("%d passed, %d failed\n", passed, failed);
        return 1;
    }
    std::printf("        created in %ld ms: %s and %s on the host, %s and %s on the board\n",
                ms_since(start), board->hidraw_node(0).c_str(), board->hidraw_node(1).c_str(),
                board->gadget_node(0).c_str(), board->gadget_node(1).c_str());
    check_identity(*board);

    int plain_fd = ::open(board->hidraw_node(0).c_str(), O_RDWR | O_CLOEXEC);
    int numbered_fd = ::open(board->hidraw_node(1).c_str(), O_RDWR | O_CLOEXEC);
    check(plain_fd >= 0 && numbered_fd >= 0, "both hidraw nodes open");
    check_inputs(*board, plain_fd, numbered_fd);
    check_outputs_taken_late(*board, plain_fd);
    check_output_time_out(*board, plain_fd);
    check_outputs_taken_continuously(*board, numbered_fd);
    ::close(numbered_fd);
    check_unplug(std::move(board), plain_fd);
    ::close(plain_fd);

    auto again = UsbGadgetBoard::create(identity, interfaces, error);
    check(again != nullptr, "the same board can be plugged in again" + reason(error));

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
