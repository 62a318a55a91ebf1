// panelink watch: polls one board and prints each input change as it happens, and the period
// between the board's reports; follows the board across an unplug and its return.
#pragma once

#include <cstdint>
#include <ostream>

#include <CLI/CLI.hpp>

#include <panelink/panelink.h>

namespace panelink::cli {

struct WatchOptions {
    int64_t board = 0;
    int32_t mode = PANELINK_MODE_STANDARD;
    double seconds = 0; // 0: until SIGINT or SIGTERM
    bool json = false;
    bool exit_on_unplug = false; // end when the board is gone, as a read failure
};

CLI::App *add_watch_command(CLI::App &app, WatchOptions &options);

int run_watch(const WatchOptions &options, std::ostream &out, std::ostream &err);

} // namespace panelink::cli
