// SIGINT and SIGTERM as a request to stop: the loop that polls asks, then ends cleanly.
#pragma once

namespace panelink::cli {

// Installs the handlers and forgets any earlier request (each command run starts without one);
// from then on the two signals no longer end the process. A reader that
// goes away (SIGPIPE) no longer ends it either: the writes fail instead, and the caller stops.
void catch_stop_signals();

bool stop_requested();

} // namespace panelink::cli
