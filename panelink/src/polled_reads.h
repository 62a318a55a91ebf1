// The polled reads' state outside ReadInputData: letting go of the reads of a closed handle.
#pragma once

#include <cstdint>

namespace panelink {

// Cancels the outstanding polled reads started on `handle` and lets go of its device, so that a
// handle closed with close_device() is closed at once rather than at the next poll of its
// record. Waits only for a poll under way on the same DeviceIndex (polls never block).
void release_polls(uint32_t handle);

} // namespace panelink
