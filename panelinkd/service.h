// The service from start to end: the configuration, the outputs started, the boards polled until
// SIGTERM or SIGINT, the boards taken offline, the outputs stopped.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "command_line.h"
#include "output.h"

namespace panelinkd {

// Exit statuses of panelinkd.
enum ServiceExit : int {
    kServiceDone = 0,
    kServiceFailed = 1,   // an output could not start
    kServiceBadConfig = 2 // the command line or the configuration file
};

// The service as panelinkd runs it: the configuration from `options`, until SIGTERM or SIGINT.
int run_service(const CommandLine &options, std::vector<std::unique_ptr<Output>> &outputs);

// The service on a finished configuration, until `stop` returns true (asked every poll).
int serve(const Config &config, std::vector<std::unique_ptr<Output>> &outputs,
          const std::function<bool()> &stop);

} // namespace panelinkd
