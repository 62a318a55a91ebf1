// The top-level collection of an open Windows HID interface, from its preparsed data.
//
// hid::Collection is filled from HidP_GetCaps, HidP_GetSpecificButtonCaps and HidP_GetValueCaps:
// usage, usage page, report lengths and the capabilities of each report type (button
// capabilities first, then value capabilities, each in the order Windows gives them). Windows
// does not tell where a control sits in its report, so byte_position and bit_position stay 0
// and the parser's own hid::Collection::input_data cannot decode these reports; data items come
// from HidP_GetData over the preparsed data instead (input_data below).
#pragma once

#include <cstddef>
#include <cstdint>

#include "backends/win32/win32_headers.h"
#include "hid/report_descriptor.h"

namespace panelink::platform::windows {

class HidCollection {
  public:
    HidCollection() = default;
    HidCollection(const HidCollection &) = delete;
    HidCollection &operator=(const HidCollection &) = delete;
    ~HidCollection();

    // HidD_GetPreparsedData and the capabilities. False (last error set where Windows sets
    // one) when the handle has no parsed descriptor.
    bool load(HANDLE file);

    const hid::Collection &collection() const { return collection_; }

    // HidP_GetData for an input report of exactly InputReportByteLength bytes: the data index
    // and value of each set button and each value control, at most `capacity` of them.
    // Allocates nothing. 0 for a report Windows refuses (wrong length or report ID).
    size_t input_data(const uint8_t *report, size_t length, hid::DataItem *out,
                      size_t capacity) const;

  private:
    PHIDP_PREPARSED_DATA preparsed_ = nullptr;
    hid::Collection collection_;
};

} // namespace panelink::platform::windows
