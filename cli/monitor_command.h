// panelink monitor: prints the boards that arrive and leave, as they do.
#pragma once

#include <ostream>

#include <CLI/CLI.hpp>

namespace panelink::cli {

struct MonitorOptions {
    bool snapshot = false; // the boards present first, as arrivals
    bool json = false;
    double seconds = 0; // 0: until SIGINT or SIGTERM
};

CLI::App *add_monitor_command(CLI::App &app, MonitorOptions &options);

int run_monitor(const MonitorOptions &options, std::ostream &out, std::ostream &err);

} // namespace panelink::cli
