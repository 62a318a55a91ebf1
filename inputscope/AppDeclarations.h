// The program's shared state: the device records of the latest detection and what is shown.
//
// The record layout is the library's own (panelink.h), so the program reads the fields directly
// at their fixed offsets. Everything here starts at zero when the program starts.
#pragma once

#include <array>
#include <cstdint>

#include <panelink/panelink.h>

// Entries in Devices; the library fills at most PANELINK_MAX_DEVICES of them per detection.
inline constexpr int kDeviceSlots = 129;
static_assert(kDeviceSlots > PANELINK_MAX_DEVICES, "one detection always fits in Devices");

// Indicators on one input page (8 rows of 8).
inline constexpr int kPageInputs = 64;

// Bytes of the buffer handed to ReadInputData: the library's 512 input states and one spare.
inline constexpr int kInputDataSize = PANELINK_INPUT_STATES_SIZE + 1;

// The records of the latest detection; entry k belongs to entry k of the device list.
extern DeviceRecord Devices[kDeviceSlots];
// Records filled by the latest detection (written by DetectHID through its count pointer).
extern int32_t DeviceCount;
// Index into Devices of the board shown and polled.
extern int16_t SelectedDevice;
// The input page shown, counted from 0: page p holds inputs 64 * p + 1 to 64 * p + 64.
extern int16_t CurrentPage;
// The input states of the latest poll, one byte per input (1 = on).
extern std::array<uint8_t, kInputDataSize> InputData;

// Puts all of the above back to their start values (zero).
void ResetAppState();
