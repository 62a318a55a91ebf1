// The hidraw backend's clock: monotonic milliseconds, immune to wall-clock jumps.
#pragma once

#include <cstdint>

namespace panelink::platform::hidraw {

uint64_t monotonic_ms();
// The same to within one scheduler tick (1 to 10 ms), read from the kernel's shared page without
// reading the clock hardware: never a system call, even on a machine whose clock cannot be read
// from user space (an emulated one). For the polled reads' time-out, looked at on every poll.
uint64_t coarse_monotonic_ms();

} // namespace panelink::platform::hidraw
