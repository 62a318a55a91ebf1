#include "input_decoding.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "backends/platform.h"
#include "handle_table.h"

namespace panelink {
namespace {

// Data items a joystick decode extracts per report.
constexpr size_t kJoystickDataItems = 256;

bool in_range(uint16_t data_index, const hid::Capability &cap) {
    return data_index >= cap.data_index_min && data_index <= cap.data_index_max;
}

void decode_joystick(platform::Device &device, const hid::Collection &collection,
                     uint8_t *input_states, const uint8_t *report, size_t length) {
    hid::Capability caps[kJoystickButtonCaps];
    const size_t cap_count = collection.input_button_caps(caps, kJoystickButtonCaps);
    hid::DataItem items[kJoystickDataItems];
    const size_t item_count = device.input_data(report, length, items, kJoystickDataItems);
    // The platform promises at most the capacity asked for; the clamp keeps a backend that
    // miscounts from sending the loop past the list.
    decode_joystick_buttons(caps, cap_count, items, std::min(item_count, kJoystickDataItems),
                            input_states);
}

// Every byte value spread over 8 bytes of 0 or 1, least significant bit first: an unpacked
// decode copies 8 positions per data byte instead of shifting out each bit.
constexpr std::array<std::array<uint8_t, 8>, 256> kBitsOfByte = [] {
    std::array<std::array<uint8_t, 8>, 256> table{};
    for (size_t value = 0; value < table.size(); ++value)
        for (size_t bit = 0; bit < 8; ++bit)
            table[value][bit] = static_cast<uint8_t>((value >> bit) & 1u);
    return table;
}();

void decode_board(uint8_t *input_states, const uint8_t *report, size_t length, bool packed) {
    // Byte 0 is the report ID; data byte i is report byte i + 1.
    if (length < 2)
        return;
    const size_t data_bytes = length - 1;
    if (packed) {
        std::memcpy(input_states, report + 1, data_bytes);
        return;
    }
    for (size_t i = 0; i < data_bytes; ++i)
        std::memcpy(input_states + 8 * i, kBitsOfByte[report[i + 1]].data(), 8);
}

} // namespace

void decode_joystick_buttons(const hid::Capability *caps, size_t cap_count,
                             const hid::DataItem *items, size_t item_count, uint8_t *input_states) {
    std::memset(input_states, 0, kInputStates);
    if (cap_count == 0)
        return; // no buttons: nothing can be pressed

    const uint16_t first_index = caps[0].data_index_min;
    for (size_t i = 0; i < item_count; ++i) {
        const hid::DataItem &item = items[i];
        if (!item.on())
            continue;
        const bool is_button = in_range(item.data_index, caps[0]) ||
                               (cap_count >= 2 && in_range(item.data_index, caps[1]));
        if (!is_button || item.data_index < first_index)
            continue;
        const size_t position = item.data_index - first_index;
        if (position < kInputStates)
            input_states[position] = 1;
    }
}

bool decode_input_report(const DeviceRecord *record, uint8_t *input_states, const uint8_t *report,
                         size_t length, int32_t packed) {
    if (record == nullptr || input_states == nullptr || report == nullptr)
        return false;
    if (!input_report_length_supported(record->InputReportByteLength))
        return false;
    const std::shared_ptr<platform::Device> device = acquire_device(record_handle(*record));
    if (device == nullptr)
        return false;
    return decode_input_report(*device, record, input_states, report, length, packed);
}

bool decode_input_report(platform::Device &device, const DeviceRecord *record,
                         uint8_t *input_states, const uint8_t *report, size_t length,
                         int32_t packed) {
    if (record == nullptr || input_states == nullptr || report == nullptr)
        return false;
    if (!input_report_length_supported(record->InputReportByteLength))
        return false;
    const hid::Collection *collection = device.collection();
    if (collection == nullptr)
        return false;

    // Never look past what arrived, nor past what the record says a report holds.
    const size_t decoded = std::min<size_t>(length, record->InputReportByteLength);
    if (is_joystick(*record))
        decode_joystick(device, *collection, input_states, report, decoded);
    else
        decode_board(input_states, report, decoded, packed != 0);

    device.flush_input();
    return true;
}

} // namespace panelink
