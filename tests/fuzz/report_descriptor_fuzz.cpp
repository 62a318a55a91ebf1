// Fuzz target: any byte string as a report descriptor, and every collection it yields asked
// for its capabilities and for the data items of a report made of the same bytes.
#include <cstddef>
#include <cstdint>

#include "hid/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    panelink::hid::ReportDescriptor parsed;
    if (!panelink::hid::parse_report_descriptor(data, size, parsed))
        return 0;
    panelink::hid::Capability caps[2];
    panelink::hid::DataItem items[256];
    for (const auto &collection : parsed.collections) {
        collection.input_button_caps(caps, 2);
        collection.number_input_button_caps();
        // The descriptor's own bytes serve as a report of every length up to the input length.
        size_t length = collection.input_report_byte_length;
        if (length > size)
            length = size;
        collection.input_data(data, length, items, 256);
    }
    return 0;
}
