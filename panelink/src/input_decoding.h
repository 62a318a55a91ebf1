// Turns one input report into the caller's InputStates buffer (one byte per input).
#pragma once

#include <cstddef>
#include <cstdint>

#include <panelink/panelink.h>

#include "backends/platform.h"
#include "hid/report_descriptor.h"
#include "input_layout.h"

namespace panelink {

// Input reports the library reads are at most this long: report ID byte plus 64 data bytes.
constexpr size_t kMaxInputReportBytes = platform::kMaxInputReport;
// Positions of the caller's InputStates buffer.
constexpr size_t kInputStates = PANELINK_INPUT_STATES_SIZE;

// True for an input report length the library can read and decode: the report ID byte plus 1 to
// 64 data bytes. Any other length is refused before anything is read or written.
constexpr bool input_report_length_supported(uint16_t length) {
    return length >= 2 && length <= kMaxInputReportBytes;
}

// The joystick part of a decode: clears all 512 positions, then sets position (d - minimum data
// index of caps[0]) to 1 for every item that is on and whose data index d lies in caps[0] or, when
// cap_count >= 2, in caps[1]. Only the first two capabilities count; with none, nothing is set.
// Positions outside the buffer (d below the first minimum, or 512 or more above it) are dropped.
void decode_joystick_buttons(const hid::Capability *caps, size_t cap_count,
                             const hid::DataItem *items, size_t item_count, uint8_t *input_states);

// Decodes `report` (report ID byte first; `length` bytes arrived) into `input_states`:
//  - joystick interface: all 512 positions cleared, then 1 at (data index - the first button
//    capability's minimum data index) for every pressed button of the first two button
//    capabilities; positions outside the buffer are dropped; `packed` is ignored;
//  - any other board: data bytes 1 to n - 1, where n = min(length, InputReportByteLength), as
//    bits (packed = 0, position 8 * i + j for bit j of data byte i) or as bytes (packed != 0);
//    positions beyond them keep their values.
// Then discards the reports the device queued behind this one.
// Returns false, touching nothing and flushing nothing, when the record's handle is not open,
// the device has no parsed report descriptor, a pointer is null or the record's
// InputReportByteLength is unsupported. Allocates nothing.
bool decode_input_report(const DeviceRecord *record, uint8_t *input_states, const uint8_t *report,
                         size_t length, int32_t packed);

// The same decode with the record's device already at hand (a read holds it), so that no
// second look-up of its handle is made and a concurrent close cannot take it away midway.
bool decode_input_report(platform::Device &device, const DeviceRecord *record,
                         uint8_t *input_states, const uint8_t *report, size_t length,
                         int32_t packed);

} // namespace panelink
