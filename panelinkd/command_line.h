// The service's own command-line options, and the configuration they make together with the
// configuration file: an option given on the command line wins over the file.
#pragma once

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "config.h"

namespace panelinkd {

struct CommandLine {
    std::string config_file;
    std::string broker;
    std::string prefix;
    std::optional<int> poll_ms;
    std::string log_level;
    bool discovery = false;
};

void add_service_options(CLI::App &app, CommandLine &options);

// The configuration file (when one is named), then the options over it; throws ConfigError.
Config make_config(const CommandLine &options);

} // namespace panelinkd
