// An output of the service: something that offers the boards to the world (the MQTT bridge, the
// virtual joysticks). Each adds its own command-line options, reads its part of the
// configuration, and sees the boards as a BoardSink while the service runs.
#pragma once

#include <CLI/CLI.hpp>

#include "board_registry.h"
#include "board_sink.h"
#include "config.h"

namespace panelinkd {

class Output {
  public:
    virtual ~Output() = default;

    // Adds the output's options to the service's command line.
    virtual void add_options(CLI::App &app) = 0;

    // Called once the command line and the configuration file are read, before the first board
    // is detected. Returns the sink to run, or null when this output is off. Throws ConfigError
    // for a setting it cannot use. `registry` lists the open boards, for sending them commands.
    virtual BoardSink *start(const Config &config, BoardRegistry &registry) = 0;

    // Called once the loop has ended and every board is offline: the last words, then quiet.
    virtual void stop() {}
};

} // namespace panelinkd
