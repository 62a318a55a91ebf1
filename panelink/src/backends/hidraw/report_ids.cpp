#include "backends/hidraw/report_ids.h"

#include <array>

namespace panelink::platform::hidraw {
namespace {

constexpr uint8_t kLongItemPrefix = 0xFE;
// Item prefixes without their size bits.
constexpr uint8_t kInputItem = 0x80;    // main, tag 8
constexpr uint8_t kReportIdItem = 0x84; // global, tag 8
constexpr uint8_t kPushItem = 0xA4;     // global, tag 10
constexpr uint8_t kPopItem = 0xB4;      // global, tag 11

// Push levels followed; deeper pushes are not remembered (the kernel refuses such descriptors).
constexpr size_t kMaxPushDepth = 16;

uint32_t item_value(const uint8_t *data, size_t size) {
    uint32_t value = 0;
    for (size_t i = size; i > 0; --i)
        value = (value << 8) | data[i - 1];
    return value;
}

} // namespace

bool input_reports_numbered(const uint8_t *descriptor, size_t length) {
    if (descriptor == nullptr)
        return false;
    uint32_t report_id = 0;
    std::array<uint32_t, kMaxPushDepth> pushed{};
    size_t depth = 0;
    size_t pos = 0;
    while (pos < length) {
        const uint8_t prefix = descriptor[pos];
        if (prefix == kLongItemPrefix) {
            // Long item: prefix, data size, long tag, then the data.
            if (length - pos < 2)
                return false;
            pos += 3 + static_cast<size_t>(descriptor[pos + 1]);
            continue;
        }
        const uint8_t size_code = prefix & 0x03;
        const size_t data_size = size_code == 3 ? 4 : size_code;
        if (1 + data_size > length - pos)
            return false;
        const uint32_t value = item_value(descriptor + pos + 1, data_size);
        switch (prefix & 0xFC) {
        case kInputItem:
            if (report_id != 0)
                return true;
            break;
        case kReportIdItem:
            report_id = value;
            break;
        case kPushItem:
            if (depth < kMaxPushDepth)
                pushed[depth] = report_id;
            ++depth;
            break;
        case kPopItem:
            if (depth > 0 && --depth < kMaxPushDepth)
                report_id = pushed[depth];
            break;
        default:
            break;
        }
        pos += 1 + data_size;
    }
    return false;
}

} // namespace panelink::platform::hidraw
