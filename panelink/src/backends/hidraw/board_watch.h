// The hidraw backend's board watch: a thread of its own follows the hidraw nodes' device events
// and tells the sink of the filter's boards as they come and go.
#pragma once

#include <memory>
#include <vector>

#include "backends/hidraw/backend.h"
#include "backends/hidraw/uevent_listener.h"
#include "backends/platform.h"

namespace panelink::platform::hidraw {

// Listens first, then fills `present` from sysfs, then starts the thread. Null with the last
// error set when no event source or no node list can be had. `buffer_bytes` bounds the events
// queued before the watch loses some and walks sysfs again (tests make it small).
std::unique_ptr<BoardWatch> start_board_watch(const Roots &roots, BoardEventSink &sink,
                                              BoardFilter filter,
                                              std::vector<BoardArrival> &present,
                                              int buffer_bytes = kUeventBufferBytes);

} // namespace panelink::platform::hidraw
