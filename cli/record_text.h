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

// A device text for the human-readable output: control bytes (below 0x20, and 0x7F) written as
// "\xNN", as the library's detection log writes them, so that a board cannot move the cursor or
// recolour the terminal through its texts. Bytes from 0x80 up are kept (a UTF-8 locale shows
// them as text).
std::string escape_controls(std::string_view text);

} // namespace panelink::cli
