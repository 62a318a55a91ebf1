#include "hidraw_report_ids.h"

namespace panelink::platform::hidraw {
namespace {

constexpr uint8_t kLongItemPrefix = 0xFE;
// Item prefix without its size bits: tag 8 (Report ID), type 1 (global).
constexpr uint8_t kReportIdItem = 0x84;

} // namespace

bool descriptor_declares_report_ids(const uint8_t *descriptor, size_t length) {
    if (descriptor == nullptr)
        return false;
    size_t pos = 0;
    while (pos < length) {
        const uint8_t prefix = descriptor[pos];
        size_t item_size = 0;
        if (prefix == kLongItemPrefix) {
            // Long item: prefix, data size, long tag, then the data.
            if (length - pos < 2)
                return false;
            item_size = 3 + static_cast<size_t>(descriptor[pos + 1]);
        } else {
            const uint8_t size_code = prefix & 0x03;
            item_size = 1 + (size_code == 3 ? 4 : size_code);
            if ((prefix & 0xFC) == kReportIdItem)
                return item_size <= length - pos;
        }
        if (item_size > length - pos)
            return false;
        pos += item_size;
    }
    return false;
}

} // namespace panelink::platform::hidraw
