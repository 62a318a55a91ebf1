// The hidraw backend's clock: monotonic milliseconds, immune to wall-clock jumps.
#pragma once

#include <cstdint>

namespace panelink::platform::hidraw {

uint64_t monotonic_ms();

} // namespace panelink::platform::hidraw
