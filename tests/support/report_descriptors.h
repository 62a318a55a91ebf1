// Test support: report descriptors the test programs, the fuzz targets and the benchmarks give
// their boards: the family's vendor-defined board interface in its variants, and others that
// several programs share. Header only and free of GoogleTest.
#pragma once

#include <cstdint>
#include <vector>

namespace panelink::test {

// A vendor-defined board interface (usage page 0xFF00, usage 1): one input report of
// `input_bytes` data bytes (usage 2) and one output report of `output_bytes` (usage 3), both
// numbered `report_id` when it is not 0. Without a report ID both report lengths are the data
// bytes + 1, as the library and the kernel count the leading report ID byte.
inline std::vector<uint8_t> vendor_descriptor(uint8_t input_bytes, uint8_t output_bytes,
                                              uint8_t report_id) {
    std::vector<uint8_t> d = {
        0x06, 0x00, 0xFF, // Usage Page (vendor 0xFF00)
        0x09, 0x01,       // Usage (1)
        0xA1, 0x01,       // Collection (Application)
    };
    if (report_id != 0)
        d.insert(d.end(), {0x85, report_id}); // Report ID
    d.insert(d.end(), {
                          0x15, 0x00,        //   Logical Minimum (0)
                          0x26, 0xFF, 0x00,  //   Logical Maximum (255)
                          0x75, 0x08,        //   Report Size (8)
                          0x95, input_bytes, //   Report Count
                          0x09, 0x02,        //   Usage (2)
                          0x81, 0x02,        //   Input (Data, Variable, Absolute)
                      });
    if (output_bytes != input_bytes)
        d.insert(d.end(), {0x95, output_bytes}); // Report Count
    d.insert(d.end(), {
                          0x09, 0x03, //   Usage (3)
                          0x91, 0x02, //   Output (Data, Variable, Absolute)
                          0xC0,       // End Collection
                      });
    return d;
}

// The family's plain board interface: `data_bytes` each way, no report IDs (64: the
// 65-byte reports of the boards).
inline std::vector<uint8_t> vendor_descriptor(uint8_t data_bytes = 64) {
    return vendor_descriptor(data_bytes, data_bytes, 0);
}

// Vendor page, 64 data bytes each way, Report ID 2 on both.
inline const std::vector<uint8_t> kNumberedDescriptor = vendor_descriptor(64, 64, 2);

// Vendor page, 64 data bytes each way, a Report ID on the feature report only: input reports
// are unnumbered.
inline const std::vector<uint8_t> kFeatureIdDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF,
    0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x02, 0x81, 0x02, 0x09, 0x03,
    0x91, 0x02, 0x85, 0x05, 0x95, 0x08, 0x09, 0x04, 0xB1, 0x02, 0xC0};

// Vendor page with two input reports: ID 1 with 64 data bytes, ID 2 with 2.
inline const std::vector<uint8_t> kTwoReportDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75,
    0x08, 0x85, 0x01, 0x95, 0x40, 0x09, 0x02, 0x81, 0x02, 0x85, 0x02, 0x95, 0x02,
    0x09, 0x03, 0x81, 0x02, 0x85, 0x01, 0x95, 0x40, 0x09, 0x04, 0x91, 0x02, 0xC0};

// Joystick with Report ID 1: 32 buttons and two 8-bit axes (7-byte input reports).
inline const std::vector<uint8_t> kJoystickDescriptor = {
    0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x09, 0x19, 0x01, 0x29, 0x20,
    0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x20, 0x81, 0x02, 0x05, 0x01, 0x09, 0x30,
    0x09, 0x31, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0xC0};

} // namespace panelink::test
