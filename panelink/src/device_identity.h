// The record filler: identity, path, device texts and the configuration-interface rule of one
// accepted interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include <panelink/panelink.h>

#include "backends/platform.h"
#include "detection_modes.h"

namespace panelink {

// Requests per device text before giving up (no pause between them).
constexpr int kTextAttempts = 6;

// Texts written when the device gives none.
constexpr std::string_view kDefaultText = "N/A";
constexpr std::string_view kManufacturerFallback = "Veltrane Inc.";

// Converts a wide device text to 8-bit text in the current locale (std::wcstombs), writing at
// most `limit` bytes to `out`; a terminator follows only when it fits. The text is read no
// further than its buffer. Returns the number of bytes written, or nothing when a character
// cannot be converted.
std::optional<size_t> convert_device_text(wchar_t (&text)[platform::kDeviceTextChars], char *out,
                                          size_t limit);

// Fills the record of an accepted interface, open as `device`, whose DeviceIndex enumeration has
// set (and whose Handle it sets once the record is kept): identity from `attributes`, report
// lengths and counts (fill_input_layout), the path (at most 256 bytes of it), manufacturer,
// product and serial texts from the device with their retries and fallbacks, the product name
// from the catalogue where the mode asks for it, and IsConfigInterface. Writes its findings to
// the enumeration's log. Returns 1 when the interface is kept; 0 when `config_type` rejects it,
// in which case all 848 bytes of the record are zero.
int fill_record(const platform::Attributes &attributes, platform::Device &device,
                DeviceRecord &record, std::string_view path, ConfigType config_type);

} // namespace panelink
