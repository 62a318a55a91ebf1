// SIGINT and SIGTERM as a request to stop: the loop that polls asks, then ends cleanly.
#pragma once

namespace panelink::cli {

// Installs the handlers; from then on the two signals no longer end the process.
void catch_stop_signals();

bool stop_requested();

} // namespace panelink::cli
