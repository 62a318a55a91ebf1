// The built-in demo boards (PANELINK_SIMULATE=demo): a few of the family's boards with real
// report descriptors whose inputs move by themselves, so the library and its programs can be
// tried without hardware.
#include "backends/simulated/demo.h"

namespace panelink::platform::sim {
namespace {

// Reports of the vendor-defined boards: report ID byte plus 64 data bytes.
constexpr size_t kBoardReport = 65;
// Reports of the joystick adapter: report ID byte, 32 button bits, X and Y.
constexpr size_t kJoystickReport = 7;

// A vendor-defined board: 64 data bytes in each direction, no report IDs.
constexpr uint8_t kBoardDescriptor[] = {
    0x06, 0x00, 0xFF, // Usage Page (vendor 0xFF00)
    0x09, 0x01,       // Usage (1)
    0xA1, 0x01,       // Collection (Application)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x40,       //   Report Count (64)
    0x09, 0x02,       //   Usage (2)
    0x81, 0x02,       //   Input (Data, Variable, Absolute)
    0x09, 0x03,       //   Usage (3)
    0x91, 0x02,       //   Output (Data, Variable, Absolute)
    0xC0,             // End Collection
};

// The configuration interface of a dual-interface board: the same reports, its own usage.
constexpr uint8_t kConfigurationDescriptor[] = {
    0x06, 0x00, 0xFF, // Usage Page (vendor 0xFF00)
    0x09, 0x02,       // Usage (2)
    0xA1, 0x01,       // Collection (Application)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x40,       //   Report Count (64)
    0x09, 0x04,       //   Usage (4)
    0x81, 0x02,       //   Input (Data, Variable, Absolute)
    0x09, 0x05,       //   Usage (5)
    0x91, 0x02,       //   Output (Data, Variable, Absolute)
    0xC0,             // End Collection
};

// A joystick: buttons 1 to 32 as one usage range, then two 8-bit axes.
constexpr uint8_t kJoystickDescriptor[] = {
    0x05, 0x01,       // Usage Page (Generic Desktop)
    0x09, 0x04,       // Usage (Joystick)
    0xA1, 0x01,       // Collection (Application)
    0x05, 0x09,       //   Usage Page (Button)
    0x19, 0x01,       //   Usage Minimum (1)
    0x29, 0x20,       //   Usage Maximum (32)
    0x15, 0x00,       //   Logical Minimum (0)
    0x25, 0x01,       //   Logical Maximum (1)
    0x75, 0x01,       //   Report Size (1)
    0x95, 0x20,       //   Report Count (32)
    0x81, 0x02,       //   Input (Data, Variable, Absolute)
    0x05, 0x01,       //   Usage Page (Generic Desktop)
    0x09, 0x30,       //   Usage (X)
    0x09, 0x31,       //   Usage (Y)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x02,       //   Report Count (2)
    0x81, 0x02,       //   Input (Data, Variable, Absolute)
    0xC0,             // End Collection
};

// Sets input `index` (bit index % 8 of data byte index / 8) of a report with a report ID byte.
void set_input(uint8_t *report, size_t length, unsigned index) {
    const size_t byte = 1 + index / 8;
    if (byte < length) {
        report[byte] |= static_cast<uint8_t>(1u << (index % 8));
    }
}

// Reports per second at the motion period (kDemoMotionPeriodMs): switches toggle once a second.
constexpr uint64_t kReportsPerSecond = 50;

bool switch_on(uint64_t step) {
    return (step / kReportsPerSecond) % 2 == 1;
}

// A rotary encoder on inputs 0 and 1, as the boards report one: every detent is a pulse on
// input 0 (turned clockwise) or on input 1 (counter-clockwise), one report on and one off.
// Each block of 20 reports turns four detents one way, then pauses; the next block turns back.
void encoder(uint64_t step, uint8_t *report, size_t length) {
    constexpr uint64_t kBlock = 20;
    constexpr uint64_t kPulseReports = 8; // four detents, each on for one report, off for one
    const uint64_t within = step % kBlock;
    if (within >= kPulseReports || within % 2 == 1) {
        return;
    }
    const bool clockwise = (step / kBlock) % 2 == 0;
    set_input(report, length, clockwise ? 0 : 1);
}

// 256-input board: the encoder on inputs 0 and 1, a switch on input 2, a bit walking over
// inputs 8 to 255.
void board_256(uint64_t step, uint8_t *report, size_t length) {
    encoder(step, report, length);
    if (switch_on(step)) {
        set_input(report, length, 2);
    }
    set_input(report, length, 8 + static_cast<unsigned>(step % 248));
}

// 64-input board: a bit walking over inputs 0 to 62, a switch on input 63.
void board_64(uint64_t step, uint8_t *report, size_t length) {
    set_input(report, length, static_cast<unsigned>(step % 63));
    if (switch_on(step)) {
        set_input(report, length, 63);
    }
}

// First interface of the dual-interface board: a bit walking over inputs 0 to 31, a switch on
// input 32.
void dual_board(uint64_t step, uint8_t *report, size_t length) {
    set_input(report, length, static_cast<unsigned>(step % 32));
    if (switch_on(step)) {
        set_input(report, length, 32);
    }
}

// Joystick adapter: each button held in turn for five reports, X sweeping, Y rising and falling.
void joystick(uint64_t step, uint8_t *report, size_t length) {
    if (length < kJoystickReport) {
        return;
    }
    set_input(report, length, static_cast<unsigned>((step / 5) % 32));
    report[5] = static_cast<uint8_t>(step * 4);
    const unsigned y = static_cast<unsigned>(step % 128) * 4;
    report[6] = static_cast<uint8_t>(y < 256 ? y : 511 - y);
}

const DemoBoard kDemoBoards[] = {
    {0x0500, 0, "sim://demo/0500#vid_12da&pid_0500&mi_00", L"Halcyon-256 USB MODULE", L"D0500-01",
     kBoardDescriptor, sizeof kBoardDescriptor, board_256, kBoardReport},
    {0x0700, 0, "sim://demo/0700#vid_12da&pid_0700&mi_00", L"Halcyon-64 USB MODULE", L"D0700-01",
     kBoardDescriptor, sizeof kBoardDescriptor, board_64, kBoardReport},
    {0x0910, 0, "sim://demo/0910/0#vid_12da&pid_0910&mi_00", L"Zephyr-Lite", L"D0910-01",
     kBoardDescriptor, sizeof kBoardDescriptor, dual_board, kBoardReport},
    {0x0910, 1, "sim://demo/0910/1#vid_12da&pid_0910&mi_01", L"Zephyr-Lite", L"D0910-01",
     kConfigurationDescriptor, sizeof kConfigurationDescriptor, nullptr, 0},
    {0x0600, 0, "sim://demo/0600#vid_12da&pid_0600&mi_00", L"Zephyr - USB Adapter", L"D0600-01",
     kJoystickDescriptor, sizeof kJoystickDescriptor, joystick, kJoystickReport},
};

} // namespace

std::span<const DemoBoard> demo_boards() {
    return kDemoBoards;
}

void add_demo_set(Bus &bus) {
    for (const DemoBoard &board : kDemoBoards) {
        PanelinkSimInterface description{};
        description.vendor_id = kDemoVendor;
        description.product_id = board.product_id;
        description.version_number = kDemoVersion;
        description.path = board.path;
        description.manufacturer = kDemoManufacturer;
        description.product = board.product;
        description.serial_number = board.serial;
        description.report_descriptor = board.descriptor;
        description.report_descriptor_length = board.descriptor_length;
        Motion motion;
        motion.fill = board.motion;
        motion.length = board.report_length;
        motion.period_ms = kDemoMotionPeriodMs;
        bus.add(description, motion);
    }
}

} // namespace panelink::platform::sim
