// panelink send: one output command of the library (or one raw output report) to one board,
// each a subcommand of its own with its arguments in a person's terms.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <panelink/panelink.h>

namespace panelink::cli {

// A command ready to go: what it sends, in words, and the library call that sends it (the
// call's result: the report length when the board took it, 0 otherwise).
struct OutputCommand {
    std::string what;
    std::function<int32_t(DeviceRecord &)> send;
};

struct SendOptions {
    int64_t board = 0;
    int32_t mode = PANELINK_MODE_STANDARD;
    // Each subcommand and how it turns its parsed arguments into a command (throws UsageError).
    std::vector<std::pair<CLI::App *, std::function<OutputCommand()>>> commands;
};

CLI::App *add_send_command(CLI::App &app, SendOptions &options);

int run_send(const SendOptions &options, std::ostream &out, std::ostream &err);

} // namespace panelink::cli
