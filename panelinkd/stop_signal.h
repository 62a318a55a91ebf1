// SIGTERM and SIGINT as a request to end the service cleanly: the polling loop sees the request
// within one turn, takes the boards offline and lets the outputs say goodbye.
#pragma once

namespace panelinkd {

// Installs the handlers (and ignores SIGPIPE, so a closed socket is an error, not the end).
void catch_stop_signals();

bool stop_requested();

// Asks for the end from within the process (tests, a fatal output error).
void request_stop();

} // namespace panelinkd
