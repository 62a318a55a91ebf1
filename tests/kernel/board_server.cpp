// The boards of the shared board checks (board_checks.c), as real kernel devices: four boards and
// a foreign device through /dev/uhid, and a two-interface board that is a real USB device (a USB
// gadget on dummy_hcd), so that its interface numbers reach every HID stack above the kernel.
//
// Every board sends each output report it receives back as an input report, so a program can
// drive its own inputs through WriteData; the 0x0800 board and the configuration interface of
// the 0x0910 board answer status queries as real boards do instead, and the joystick moves by
// itself. An output report whose data starts with "UNPLUG" unplugs its board 300 ms later, and
// the board is plugged in again 2 s after that.
//
// Prints "ready" once every board has its hidraw node, then serves them until SIGTERM or SIGINT.
// Needs root and the modules uhid, hid-generic, dummy_hcd, libcomposite, usb_f_hid and usbhid.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

#include "kernel/support/usb_gadget_board.h"
#include "status_answers.h"
#include "support/report_descriptors.h"
#include "support/sim_boards.h"
#include "virtual_hid_device.h"

namespace {

using Clock = std::chrono::steady_clock;
using panelink::test::kJoystickDescriptor;
using panelink::test::kNumberedDescriptor;
using panelink::test::UsbGadgetBoard;
using panelink::uhid::Event;
using panelink::uhid::EventType;
using panelink::uhid::VirtualHidDevice;

volatile std::sig_atomic_t stop_requested = 0;
void request_stop(int) {
    stop_requested = 1;
}

constexpr char kUnplugCommand[] = "UNPLUG";
constexpr auto kUnplugDelay = std::chrono::milliseconds(300);
constexpr auto kReplugDelay = std::chrono::milliseconds(2000);
constexpr auto kJoystickPeriod = std::chrono::milliseconds(20);

// Buttons 1, 10 and 32 pressed, X and Y off-centre.
const std::vector<uint8_t> kJoystickReport = {0x01, 0x01, 0x02, 0x00, 0x80, 0x10, 0xF0};

enum class Role { Echo, StatusBoard, Joystick, Foreign };

struct UhidBoard {
    panelink::uhid::Identity identity;
    Role role;
    bool numbered;
    std::unique_ptr<VirtualHidDevice> device;
    std::optional<Clock::time_point> unplug_at;
    std::optional<Clock::time_point> replug_at;
};

// Creates the board's kernel device and waits for its hidraw node; false with a message if not.
bool plug(UhidBoard &board) {
    std::string error;
    board.device = VirtualHidDevice::create(board.identity, error);
    if (board.device && !board.device->hidraw_node(5000).empty())
        return true;
    std::fprintf(stderr, "board_server: %s: %s\n", board.identity.name.c_str(),
                 error.empty() ? "no hidraw node" : error.c_str());
    return false;
}

UhidBoard make_board(uint16_t vendor, uint16_t product, const char *name, const char *serial,
                     std::vector<uint8_t> descriptor, Role role, bool numbered) {
    UhidBoard board;
    board.identity.vendor = vendor;
    board.identity.product = product;
    board.identity.version = 0x0100;
    board.identity.name = name;
    board.identity.uniq = serial;
    board.identity.phys = panelink::uhid::phys_for_interface(0);
    board.identity.descriptor = std::move(descriptor);
    board.role = role;
    board.numbered = numbered;
    return board;
}

bool starts_with_unplug(const std::vector<uint8_t> &data) {
    return data.size() >= sizeof kUnplugCommand - 1 &&
           std::memcmp(data.data(), kUnplugCommand, sizeof kUnplugCommand - 1) == 0;
}

// An output report (report ID byte first, as uhid passes it on) comes back as an input report.
void answer_uhid_output(UhidBoard &board, const std::vector<uint8_t> &output) {
    if (output.empty())
        return;
    const std::vector<uint8_t> data(output.begin() + 1, output.end());
    if (starts_with_unplug(data)) {
        board.unplug_at = Clock::now() + kUnplugDelay;
        return;
    }
    std::vector<uint8_t> input;
    if (board.role == Role::StatusBoard) {
        auto reply = panelink::board_models::status_reply(board.identity.product, output.data(),
                                                          output.size(), {}, 65);
        if (!reply)
            return;
        input.assign(reply->begin() + 1, reply->end()); // unnumbered: no ID byte on the wire
    } else {
        input = board.numbered ? output : data;
    }
    board.device->send_input(input.data(), input.size());
}

// An output report of the USB board (as on the wire: no ID byte) comes back as an input report;
// the configuration interface answers the configuration status query.
void answer_gadget_output(UsbGadgetBoard &board, size_t interface,
                          const std::vector<uint8_t> &wire) {
    std::vector<uint8_t> input = wire;
    if (interface == 1) {
        std::vector<uint8_t> query(1, 0);
        query.insert(query.end(), wire.begin(), wire.end());
        auto reply =
            panelink::board_models::status_reply(0x0910, query.data(), query.size(), {}, 65);
        if (!reply)
            return;
        input.assign(reply->begin() + 1, reply->end());
    }
    input.resize(64, 0);
    std::string error;
    if (!board.write_input(interface, input, 1000, error))
        std::fprintf(stderr, "board_server: %s\n", error.c_str());
}

} // namespace

int main() {
    std::signal(SIGTERM, request_stop);
    std::signal(SIGINT, request_stop);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    std::vector<UhidBoard> boards;
    boards.push_back(make_board(0x12DA, 0x0700, "Halcyon-64 USB MODULE", "B0700",
                                panelink::test::vendor_descriptor(), Role::Echo, false));
    boards.push_back(make_board(0x12DA, 0x0500, "Halcyon-256 USB MODULE", "B0500",
                                kNumberedDescriptor, Role::Echo, true));
    boards.push_back(make_board(0x12DA, 0x0600, "Zephyr - USB Adapter", "B0600",
                                kJoystickDescriptor, Role::Joystick, true));
    boards.push_back(make_board(0x12DA, 0x0800, "Port board", "B0800",
                                panelink::test::vendor_descriptor(), Role::StatusBoard, false));
    boards.push_back(
        make_board(0x046D, 0xC077, "Other Mouse", "", kJoystickDescriptor, Role::Foreign, true));
    for (UhidBoard &board : boards) {
        if (!plug(board))
            return 1;
    }

    panelink::test::UsbGadgetIdentity identity;
    identity.vendor = 0x12DA;
    identity.product = 0x0910;
    identity.bcd_device = 0x0123;
    identity.manufacturer = "Veltrane";
    identity.product_text = "Zephyr-Lite";
    identity.serial = "G42";
    const panelink::test::UsbGadgetInterface interface { panelink::test::vendor_descriptor() };
    std::string error;
    auto usb_board = UsbGadgetBoard::create(identity, {interface, interface}, error);
    if (!usb_board) {
        std::fprintf(stderr, "board_server: USB board: %s\n", error.c_str());
        return 1;
    }
    std::printf("ready\n");

    auto next_joystick = Clock::now();
    while (!stop_requested) {
        std::vector<pollfd> waiting;
        for (UhidBoard &board : boards) {
            if (board.device)
                waiting.push_back({board.device->fd(), POLLIN, 0});
        }
        ::poll(waiting.data(), waiting.size(), 5);
        const auto now = Clock::now();
        for (UhidBoard &board : boards) {
            if (!board.device) {
                if (board.replug_at && now >= *board.replug_at) {
                    board.replug_at.reset();
                    plug(board);
                }
                continue;
            }
            if (board.unplug_at && now >= *board.unplug_at) {
                board.device.reset();
                board.unplug_at.reset();
                board.replug_at = now + kReplugDelay;
                continue;
            }
            Event event;
            while (board.device->next_event(event, 0)) {
                if (event.type == EventType::Output)
                    answer_uhid_output(board, event.data);
            }
            if (board.role == Role::Joystick && now >= next_joystick)
                board.device->send_input(kJoystickReport.data(), kJoystickReport.size());
        }
        if (now >= next_joystick)
            next_joystick = now + kJoystickPeriod;
        for (size_t i = 0; i < usb_board->interface_count(); ++i) {
            while (auto wire = usb_board->read_output(i, 0))
                answer_gadget_output(*usb_board, i, *wire);
        }
    }
    return 0;
}
