// The program's command line: the options as given, and their check and translation into the
// boards to serve and the server's settings.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "board_server.h"
#include "board_set.h"

namespace panelink::uhid_tool {

struct CommandLine {
    bool demo = false;
    // One board: numbers in decimal or 0x hexadecimal, the descriptor as hexadecimal bytes.
    std::string vendor;
    std::string product;
    std::string device_version = "0x0100";
    std::string product_text;
    std::string serial;
    std::string interface_number = "0";
    std::string descriptor;

    std::string inputs = "motion"; // motion, stdin or none
    std::vector<std::string> port_status;
    std::string pair_inputs;
    std::vector<std::string> config_status;
    bool no_status_replies = false;
};

void add_options(CLI::App &app, CommandLine &command_line);

// Checks the options and turns them into boards and settings; false with a reason otherwise.
bool settle(const CommandLine &command_line, std::vector<Board> &boards, ServerOptions &options,
            std::string &error);

} // namespace panelink::uhid_tool
