// The built-in demo boards (PANELINK_SIMULATE=demo) as a table, so that programs beside the
// library (the virtual boards on the kernel's HID bus) can serve the very same boards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "backends/simulated/bus.h"

namespace panelink::platform::sim {

constexpr uint16_t kDemoVendor = 0x12DA;
constexpr uint16_t kDemoVersion = 0x0100;
constexpr const wchar_t *kDemoManufacturer = L"Veltrane Inc.";
// A moving board queues its next input report this often.
constexpr uint32_t kDemoMotionPeriodMs = 20;

struct DemoBoard {
    uint16_t product_id;
    int interface_number; // the mi_NN of the path
    const char *path;
    const wchar_t *product;
    const wchar_t *serial;
    const uint8_t *descriptor;
    size_t descriptor_length;
    MotionFill motion;    // null for a board whose inputs stand still
    size_t report_length; // bytes `motion` fills, report ID byte first; 0 without motion
};

// The demo boards in the order they are plugged in.
std::span<const DemoBoard> demo_boards();

} // namespace panelink::platform::sim
