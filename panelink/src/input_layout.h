// How a board's reports and inputs are laid out: report lengths and top-level usage from the
// interface's parsed descriptor, and the sixteen count fields from the per-model layout table
// (or, for a joystick interface, the input count from its buttons).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include <panelink/panelink.h>

namespace panelink {

// One row of the layout table: column 0 is the product ID (0 for the default row), columns 1 to
// 16 go to the count fields of the record.
using LayoutRow = std::array<int16_t, 17>;

// A joystick interface's top-level collection: the generic desktop page's joystick usage.
constexpr uint16_t kGenericDesktopPage = 0x01;
constexpr uint16_t kJoystickUsage = 0x04;

// Button capabilities of a joystick interface that count, for its input count and its decode.
constexpr size_t kJoystickButtonCaps = 2;

// True for a joystick interface.
constexpr bool is_joystick(const DeviceRecord &record) {
    return record.UsagePage == kGenericDesktopPage && record.Usage == kJoystickUsage;
}

// Every row of the layout table, the default row first.
std::span<const LayoutRow> layout_table();

// The row a product selects: its own row where it has one, the all-zero default row otherwise.
const LayoutRow &layout_row_for(uint16_t product_id);

// Copies columns 1 to 16 of `row` into the record's count fields (column 1 InputCount, column 3
// PortCount, column n LayoutCountn otherwise).
void apply_layout_row(const LayoutRow &row, DeviceRecord &record);

// Fills InputReportByteLength, OutputReportByteLength, Usage and UsagePage from the parsed
// descriptor of the device behind `handle`, then the sixteen counts: for a joystick interface
// (usage page 1, usage 4) InputCount is the sum of the highest usages of at most two input
// button capabilities; for any other interface the counts come from the row of the record's
// ProductID. An interface without a parsed descriptor gets zero lengths and usages.
void fill_input_layout(uint32_t handle, DeviceRecord &record);

} // namespace panelink
