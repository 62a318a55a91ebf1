// How a board's reports and inputs are laid out: report lengths and top-level usage from the
// interface's parsed descriptor, and the sixteen count fields from the product catalogue's layout
// (or, for a joystick interface, the input count from its buttons).
#pragma once

#include <cstddef>
#include <cstdint>

#include <panelink/panelink.h>

#include "backends/platform.h"
#include "product_catalogue.h"

namespace panelink {

// A joystick interface's top-level collection: the generic desktop page's joystick usage.
constexpr uint16_t kGenericDesktopPage = 0x01;
constexpr uint16_t kJoystickUsage = 0x04;

// Button capabilities of a joystick interface that count, for its input count and its decode.
constexpr size_t kJoystickButtonCaps = 2;

// True for a joystick interface.
constexpr bool is_joystick(const DeviceRecord &record) {
    return record.UsagePage == kGenericDesktopPage && record.Usage == kJoystickUsage;
}

// Copies the sixteen counts into the record's count fields (count 1 InputCount, count 3
// PortCount, count n LayoutCountn otherwise).
void apply_layout(const catalogue::LayoutCounts &counts, DeviceRecord &record);

// Fills InputReportByteLength, OutputReportByteLength, Usage and UsagePage from the parsed
// descriptor of `device`, then the sixteen counts: for a joystick interface
// (usage page 1, usage 4) InputCount is the sum of the highest usages of at most two input
// button capabilities; for any other interface the counts are the catalogue's layout for the
// record's ProductID (catalogue::layout_for). An interface without a parsed descriptor gets zero
// lengths and usages.
void fill_input_layout(platform::Device &device, DeviceRecord &record);

} // namespace panelink
