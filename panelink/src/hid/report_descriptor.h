// HID report-descriptor parser shared by the hidraw and simulated backends.
//
// It yields, per top-level collection, what the Windows HID parser reports for the same
// descriptor: report byte lengths (report ID byte included), the collection's usage and usage
// page, capabilities in Windows' order with their data indices, and the data items of a report.
// Malformed or truncated descriptors yield an error: never a crash, a hang or an out-of-bounds
// read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace panelink::hid {

enum class ReportType : uint8_t { Input = 0, Output = 1, Feature = 2 };

// One capability: a run of controls that share a usage page, report and data item, as
// HIDP_BUTTON_CAPS / HIDP_VALUE_CAPS describe it. For a single usage (not a range) the range
// fields hold that usage and data index as both minimum and maximum.
struct Capability {
    bool is_button = false;
    bool is_range = false;
    bool is_absolute = true;
    uint8_t report_id = 0;
    uint16_t usage_page = 0;
    uint16_t link_collection = 0;
    uint16_t link_usage = 0;
    uint16_t link_usage_page = 0;
    uint16_t usage_min = 0;
    uint16_t usage_max = 0;
    uint16_t data_index_min = 0;
    uint16_t data_index_max = 0;
    uint16_t byte_position = 0; // first byte of the field in the report, report ID byte = 0
    uint8_t bit_position = 0;   // bit within that byte
    uint16_t bit_size = 0;      // bits per control
    uint16_t report_count = 0;  // controls in the field
    uint16_t bit_field = 0;     // the main item's flags (Data/Constant, Variable/Array, ...)
    int32_t logical_min = 0;
    int32_t logical_max = 0;
    int32_t physical_min = 0;
    int32_t physical_max = 0;
    uint32_t units = 0;
    uint32_t units_exponent = 0;
    // An array field whose usages take several capabilities: set on every one of them except
    // the field's first usage, which comes last in the capability order.
    bool is_multiple_items_for_array = false;
    // Array fields: the control value minus the logical minimum that selects usage_min.
    uint32_t array_index_offset = 0;
};

// One control that HidP_GetData would return: its data index and its value (for a button, 1
// when it is on).
// A plain aggregate on purpose: decoders keep a list of 256 on the stack per report, and only
// the entries input_data() fills are read, so the list is not cleared on every call.
struct DataItem {
    uint16_t data_index;
    uint32_t value;
    bool on() const { return value != 0; }
};

// One top-level collection, as Windows presents it: a HID interface of its own.
struct Collection {
    uint16_t usage = 0;
    uint16_t usage_page = 0;
    // Largest report of each type plus one (the report ID byte, 0 without report IDs); 0 when
    // the collection has no report of that type.
    uint16_t input_report_byte_length = 0;
    uint16_t output_report_byte_length = 0;
    uint16_t feature_report_byte_length = 0;
    // Capabilities of each report type, indexed by ReportType, in Windows' order.
    std::vector<Capability> caps[3];

    // HidP_GetSpecificButtonCaps with usage page, link collection and usage 0 (any): copies at
    // most `capacity` input button capabilities into `out` and returns how many it copied.
    size_t input_button_caps(Capability *out, size_t capacity) const;
    // Number of input button capabilities (HIDP_CAPS.NumberInputButtonCaps).
    size_t number_input_button_caps() const;
    // HidP_GetData for an input report: the data items of every set button and every value
    // control of the report whose ID is report[0], at most `capacity` of them, into `out`.
    // Reads no byte at or past `length`; allocates nothing. Returns the number of items.
    size_t input_data(const uint8_t *report, size_t length, DataItem *out, size_t capacity) const;
};

struct ReportDescriptor {
    std::vector<Collection> collections; // top-level collections in descriptor order
};

// Parses a whole report descriptor. Returns false (with a reason in `error` when given) for a
// malformed or truncated descriptor, or one without a top-level collection.
bool parse_report_descriptor(const uint8_t *data, size_t length, ReportDescriptor &out,
                             std::string *error = nullptr);

} // namespace panelink::hid
