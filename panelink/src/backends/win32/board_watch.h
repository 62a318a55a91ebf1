// The Windows board watch: the system's notices for the HID interface class (from
// CM_Register_Notification, or from a message-only window where that is missing) are queued,
// and the watch's own thread turns each into an arrival or a departure for the sink: it opens an
// arriving interface, reads its attributes and serial number, and asks the filter.
#pragma once

#include <memory>
#include <vector>

#include "backends/platform.h"

namespace panelink::platform::windows {

// Starts listening, then fills `present` with the accepted interfaces present now. Null with
// the last error set when no notices can be had. `backend` opens the interfaces.
std::unique_ptr<BoardWatch> start_board_watch(Backend &backend, BoardEventSink &sink,
                                              BoardFilter filter,
                                              std::vector<BoardArrival> &present);

} // namespace panelink::platform::windows
