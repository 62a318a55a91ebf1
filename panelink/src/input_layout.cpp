#include "input_layout.h"

#include "backends/platform.h"
#include "handle_table.h"

namespace panelink {
namespace {

// clang-format off
constexpr std::array<LayoutRow, 11> kLayoutTable = {{
    //  product  1    2   3  4  5   6    7    8     9  10  11  12   13   14    15  16
    {0,          0,   0,  0, 0, 0,  0,   0,   0,    0,  0,  0,  0,   0,   0,    0,  0},
    {0x0300,    64,   0,  2, 0, 0,  0,   0,   0,    0,  0,  0,  0,   0,   0,    0,  0},
    {0x0500,   256,   0,  8, 0, 0,  0,   0,   0,    0,  0,  0,  0,   0,   0,    0,  0},
    {0x0700,    64,   0,  2, 0, 0,  0,   0,   0,    0,  0,  0,  0,   0,   0,    0,  0},
    {0x0800,     0, 360, 24, 0, 0,  0, 360, 192, 1344, 24, 48, 48, 240, 240, 1536, 96},
    {0x0510,   256,   0,  8, 0, 0, 16,   0,   0,    0,  0,  0,  0,   0,   0,    0,  0},
    {0x0710,   192,   0,  4, 0, 0, 32,   0,   0,    0,  0,  0,  0,   0,   0,    0,  0},
    {0x0910,     0,  12,  2, 0, 0,  8,   0,   1,    0,  0,  0,  0,   8,   0,    0,  0},
    {0x1500,     0,   0,  0, 0, 0,  0,   0,   0,    0,  0,  0,  0,   8,   0,    0,  0},
    {0x0520,   256,   0,  8, 0, 0, 16,   0,   0,    0,  0,  0,  0,   0,   0,    0,  0},
    // Kept for the 0x1600 board, but no product ID selects this row (see layout_row_for):
    // 0x1600 boards get the default row.
    {0x1600,    15,   9,  0, 0, 0,  7,   0,   1,    8,  0,  0,  0,   0,  10,    0,  0},
}};
// clang-format on

// The record field of each column; column 0 (the product ID) is not copied.
constexpr std::array<int16_t DeviceRecord::*, 17> kColumnFields = {
    nullptr,
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

// The products that select a row of their own.
bool has_own_row(uint16_t product_id) {
    switch (product_id) {
    case 0x0300:
    case 0x0500:
    case 0x0700:
    case 0x0800:
    case 0x0510:
    case 0x0710:
    case 0x0910:
    case 0x1500:
    case 0x0520:
        return true;
    default:
        return false;
    }
}

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

std::span<const LayoutRow> layout_table() {
    return kLayoutTable;
}

const LayoutRow &layout_row_for(uint16_t product_id) {
    if (has_own_row(product_id)) {
        for (const LayoutRow &row : kLayoutTable)
            if (static_cast<uint16_t>(row[0]) == product_id)
                return row;
    }
    return kLayoutTable[0];
}

void apply_layout_row(const LayoutRow &row, DeviceRecord &record) {
    for (size_t column = 1; column < row.size(); ++column)
        record.*kColumnFields[column] = row[column];
}

void fill_input_layout(uint32_t handle, DeviceRecord &record) {
    const std::shared_ptr<platform::Device> device = acquire_device(handle);
    const hid::Collection *collection = device != nullptr ? device->collection() : nullptr;

    record.InputReportByteLength = collection ? collection->input_report_byte_length : 0;
    record.OutputReportByteLength = collection ? collection->output_report_byte_length : 0;
    record.Usage = collection ? collection->usage : 0;
    record.UsagePage = collection ? collection->usage_page : 0;

    if (collection != nullptr && is_joystick(record)) {
        apply_layout_row(kLayoutTable[0], record); // all sixteen counts to 0
        record.InputCount = joystick_button_count(*collection);
    } else {
        apply_layout_row(layout_row_for(record.ProductID), record);
    }
}

} // namespace panelink
