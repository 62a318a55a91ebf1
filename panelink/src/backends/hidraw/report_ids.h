// Whether a device numbers its input reports. The kernel decides it per report type: input
// reports carry a report ID byte exactly when some input report of the descriptor has a Report
// ID, whatever the feature and output reports do. hidraw hands numbered reports over with that
// byte first, and unnumbered ones without it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace panelink::platform::hidraw {

// True when an Input item of the descriptor lies under a nonzero Report ID (following Push and
// Pop of the global state). Walks the items only as far as the descriptor's bytes go; a
// truncated last item is ignored.
bool input_reports_numbered(const uint8_t *descriptor, size_t length);

} // namespace panelink::platform::hidraw
