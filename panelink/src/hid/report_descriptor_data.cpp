// Queries on a parsed top-level collection: its input button capabilities and the data items
// of an input report, as HidP_GetSpecificButtonCaps and HidP_GetData give them. These run on
// the polling path, so they allocate nothing and read only inside the report they are given.
#include "hid/report_descriptor.h"

#include <algorithm>

#include "hid/descriptor_items.h"

namespace panelink::hid {
namespace {

// Reads one control of `bits` bits starting at bit `first` of the report (least significant bit
// first). Only the low 32 bits of wider controls are returned. False when any bit of the
// control lies at or past `length` bytes.
bool read_control(const uint8_t *report, size_t length, size_t first, size_t bits,
                  uint32_t &value) {
    if (bits == 0 || first / 8 >= length || bits > length * 8 - first) {
        return false;
    }
    value = 0;
    const size_t wanted = std::min<size_t>(bits, 32);
    for (size_t i = 0; i < wanted; ++i) {
        const size_t bit = first + i;
        value |= static_cast<uint32_t>((report[bit / 8] >> (bit % 8)) & 1) << i;
    }
    return true;
}

size_t first_bit(const Capability &cap) {
    return static_cast<size_t>(cap.byte_position) * 8 + cap.bit_position;
}

uint32_t usage_count(const Capability &cap) {
    return static_cast<uint32_t>(cap.data_index_max) - cap.data_index_min + 1;
}

// Maps an array control's value to the position of its usage in the field's usage list, or
// returns false for a value outside the logical range (no usage selected).
bool array_index(const Capability &cap, uint32_t raw, uint32_t &index) {
    int64_t value = raw;
    if (cap.logical_min < 0 && cap.bit_size > 0 && cap.bit_size < 32) {
        const uint32_t sign = 1u << (cap.bit_size - 1);
        value = static_cast<int64_t>(raw ^ sign) - sign; // sign-extend
    }
    if (value < cap.logical_min) {
        return false;
    }
    // A logical maximum below the minimum is a descriptor that wrote an unsigned maximum in a
    // signed field; the usage list alone bounds such a field.
    if (cap.logical_max >= cap.logical_min && value > cap.logical_max) {
        return false;
    }
    const int64_t offset = value - cap.logical_min;
    if (offset > UINT32_MAX) {
        return false;
    }
    index = static_cast<uint32_t>(offset);
    return true;
}

// Where input_data() writes its items: at most `capacity` of them.
struct ItemSink {
    DataItem *out;
    size_t capacity;
    size_t count = 0;

    bool full() const { return count >= capacity; }
    void emit(uint32_t data_index, uint32_t value) {
        out[count].data_index = static_cast<uint16_t>(data_index);
        out[count].value = value;
        ++count;
    }
};

// A value capability: one item per control that has a usage of its own. A single usage over
// several controls is a usage value array, which is not a data item of its own.
void value_items(const Capability &cap, const uint8_t *report, size_t length, ItemSink &sink) {
    if (!cap.is_range && cap.report_count > 1) {
        return;
    }
    const size_t start = first_bit(cap);
    const uint32_t controls = std::min<uint32_t>(cap.report_count, usage_count(cap));
    for (uint32_t i = 0; i < controls && !sink.full(); ++i) {
        uint32_t value = 0;
        if (read_control(report, length, start + i * size_t{cap.bit_size}, cap.bit_size, value)) {
            sink.emit(cap.data_index_min + i, value);
        }
    }
}

// One bit per usage; controls past the last usage have no data index, and bits past the end of
// the report are not there. Bytes with no bit set are passed over whole: this runs for every
// joystick report.
void bit_button_items(const Capability &cap, const uint8_t *report, size_t length, ItemSink &sink) {
    const size_t start = first_bit(cap);
    const size_t report_bits = length * 8;
    const size_t inside = start < report_bits ? report_bits - start : 0;
    const size_t controls = std::min<size_t>({cap.report_count, usage_count(cap), inside});
    for (size_t i = 0; i < controls && !sink.full();) {
        const size_t bit = start + i;
        const uint8_t byte = static_cast<uint8_t>(report[bit / 8] >> (bit % 8));
        if (byte == 0) {
            i += 8 - bit % 8;
            continue;
        }
        if ((byte & 1u) != 0) {
            sink.emit(cap.data_index_min + static_cast<uint32_t>(i), 1);
        }
        ++i;
    }
}

// Wider variable button fields: a control that is not 0 is on.
void wide_button_items(const Capability &cap, const uint8_t *report, size_t length,
                       ItemSink &sink) {
    const size_t start = first_bit(cap);
    const uint32_t controls = std::min<uint32_t>(cap.report_count, usage_count(cap));
    for (uint32_t i = 0; i < controls && !sink.full(); ++i) {
        uint32_t value = 0;
        if (read_control(report, length, start + i * size_t{cap.bit_size}, cap.bit_size, value) &&
            value != 0) {
            sink.emit(cap.data_index_min + i, 1);
        }
    }
}

// Array: each control holds the index of an active usage; this capability answers for the
// indices of its own usages. Usage 0 means "no usage".
void array_items(const Capability &cap, const uint8_t *report, size_t length, ItemSink &sink) {
    const size_t start = first_bit(cap);
    const uint32_t usages = usage_count(cap);
    for (uint32_t i = 0; i < cap.report_count && !sink.full(); ++i) {
        uint32_t raw = 0;
        uint32_t index = 0;
        if (!read_control(report, length, start + i * size_t{cap.bit_size}, cap.bit_size, raw) ||
            !array_index(cap, raw, index) || index < cap.array_index_offset ||
            index - cap.array_index_offset >= usages) {
            continue;
        }
        const uint32_t position = index - cap.array_index_offset;
        if (cap.usage_min + position != 0) {
            sink.emit(cap.data_index_min + position, 1);
        }
    }
}

} // namespace

size_t Collection::input_button_caps(Capability *out, size_t capacity) const {
    if (out == nullptr) {
        return 0;
    }
    size_t copied = 0;
    for (const Capability &cap : caps[static_cast<int>(ReportType::Input)]) {
        if (copied == capacity) {
            break;
        }
        if (cap.is_button) {
            out[copied++] = cap;
        }
    }
    return copied;
}

size_t Collection::number_input_button_caps() const {
    const std::vector<Capability> &input = caps[static_cast<int>(ReportType::Input)];
    return static_cast<size_t>(
        std::count_if(input.begin(), input.end(), [](const Capability &c) { return c.is_button; }));
}

size_t Collection::input_data(const uint8_t *report, size_t length, DataItem *out,
                              size_t capacity) const {
    if (report == nullptr || length == 0 || out == nullptr) {
        return 0;
    }
    ItemSink sink{out, capacity};
    for (const Capability &cap : caps[static_cast<int>(ReportType::Input)]) {
        if (sink.full()) {
            break;
        }
        if (cap.report_id != report[0]) {
            continue;
        }
        if (!cap.is_button) {
            value_items(cap, report, length, sink);
        } else if ((cap.bit_field & kFlagVariable) != 0 && cap.bit_size == 1) {
            bit_button_items(cap, report, length, sink);
        } else if ((cap.bit_field & kFlagVariable) != 0) {
            wide_button_items(cap, report, length, sink);
        } else {
            array_items(cap, report, length, sink);
        }
    }
    return sink.count;
}

} // namespace panelink::hid
