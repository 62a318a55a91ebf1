#include "input_layout.h"

#include <array>

namespace panelink {
namespace {

// The record field of each count, in the order of their numbers (their order in the record
// differs: LayoutCount11 and LayoutCount12 sit at offsets 16 and 22).
// clang-format off
constexpr std::array<int16_t DeviceRecord::*, catalogue::LayoutCounts{}.size()> kCountFields = {
    &DeviceRecord::InputCount,
    &DeviceRecord::LayoutCount2,
    &DeviceRecord::PortCount,
    &DeviceRecord::LayoutCount4,
    &DeviceRecord::LayoutCount5,
    &DeviceRecord::LayoutCount6,
    &DeviceRecord::LayoutCount7,
    &DeviceRecord::LayoutCount8,
    &DeviceRecord::LayoutCount9,
    &DeviceRecord::LayoutCount10,
    &DeviceRecord::LayoutCount11,
    &DeviceRecord::LayoutCount12,
    &DeviceRecord::LayoutCount13,
    &DeviceRecord::LayoutCount14,
    &DeviceRecord::LayoutCount15,
    &DeviceRecord::LayoutCount16,
};
// clang-format on

// Sum of the highest usage of each returned button capability, in 16-bit arithmetic.
int16_t joystick_button_count(const hid::Collection &collection) {
    hid::Capability caps[kJoystickButtonCaps];
    const size_t returned = collection.input_button_caps(caps, kJoystickButtonCaps);
    uint16_t sum = 0;
    for (size_t i = 0; i < returned; ++i)
        sum = static_cast<uint16_t>(sum + caps[i].usage_max);
    return static_cast<int16_t>(sum);
}

} // namespace

void apply_layout(const catalogue::LayoutCounts &counts, DeviceRecord &record) {
    for (size_t n = 0; n < counts.size(); ++n)
        record.*kCountFields[n] = counts[n];
}

void fill_input_layout(platform::Device &device, DeviceRecord &record) {
    const hid::Collection *collection = device.collection();

    record.InputReportByteLength = collection ? collection->input_report_byte_length : 0;
    record.OutputReportByteLength = collection ? collection->output_report_byte_length : 0;
    record.Usage = collection ? collection->usage : 0;
    record.UsagePage = collection ? collection->usage_page : 0;

    if (collection != nullptr && is_joystick(record)) {
        apply_layout(catalogue::LayoutCounts{}, record); // all sixteen counts to 0
        record.InputCount = joystick_button_count(*collection);
    } else {
        apply_layout(catalogue::layout_for(record.ProductID), record);
    }
}

} // namespace panelink
