#include "backends/hidraw/report_ids.h"

#include <array>

#include "hid/descriptor_items.h"

namespace panelink::platform::hidraw {
namespace {

// Push levels followed; deeper pushes are not remembered (the kernel refuses such descriptors).
constexpr size_t kMaxPushDepth = 16;

} // namespace

bool input_reports_numbered(const uint8_t *descriptor, size_t length) {
    if (descriptor == nullptr)
        return false;
    uint32_t report_id = 0;
    std::array<uint32_t, kMaxPushDepth> pushed{};
    size_t depth = 0;
    size_t pos = 0;
    while (pos < length) {
        hid::Item item;
        bool is_long = false;
        if (!hid::read_item(descriptor, length, pos, item, is_long))
            return false; // a truncated last item
        if (is_long)
            continue;
        if (item.is(hid::ItemType::Main, hid::main_tag::Input)) {
            if (report_id != 0)
                return true;
        } else if (item.is(hid::ItemType::Global, hid::global_tag::ReportId)) {
            report_id = item.value;
        } else if (item.is(hid::ItemType::Global, hid::global_tag::Push)) {
            if (depth < kMaxPushDepth)
                pushed[depth] = report_id;
            ++depth;
        } else if (item.is(hid::ItemType::Global, hid::global_tag::Pop)) {
            if (depth > 0 && --depth < kMaxPushDepth)
                report_id = pushed[depth];
        }
    }
    return false;
}

} // namespace panelink::platform::hidraw
