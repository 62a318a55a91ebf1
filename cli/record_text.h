// The texts of a DeviceRecord, read by their length fields. The record's text fields carry no
// terminator of their own when a text fills the field, and a length field may hold anything: a
// text is taken as at most its length, never more than its field's size, and ends at a zero byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <panelink/panelink.h>

namespace panelink::cli {

// The first `length` bytes of `field` (clamped to 0 and `field_size`), up to a zero byte.
std::string field_text(const char *field, size_t field_size, int64_t length);

struct RecordTexts {
    std::string product;
    std::string manufacturer;
    std::string serial;
    std::string path;
};

RecordTexts record_texts(const DeviceRecord &record);

// Text in the process's current locale (as the library writes it) as UTF-8; bytes that are not
// text in that locale become U+FFFD.
std::string locale_to_utf8(std::string_view text);

} // namespace panelink::cli
