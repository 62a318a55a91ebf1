// Whether a device numbers its reports: hidraw hands over reports of numbered devices with their
// report ID byte first, and those of other devices without one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace panelink::platform::hidraw {

// True when the report descriptor holds any Report ID item. Walks the items only as far as the
// descriptor's bytes go; a truncated last item is ignored.
bool descriptor_declares_report_ids(const uint8_t *descriptor, size_t length);

} // namespace panelink::platform::hidraw
