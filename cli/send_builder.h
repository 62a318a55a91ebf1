// Declares the send subcommands: each gets its CLI11 subcommand, the options it takes bound to
// an argument set of its own, and the function that turns those arguments into a command.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "send_command.h"

namespace panelink::cli {

// Arguments shared by the subcommands; each subcommand adds the ones it takes.
struct Arguments {
    int port = 0;
    int parameter = 0;
    int number = 0; // GLCD command, CRT/RWR value, LCD selector, GLCD position
    int start = 0;
    std::vector<std::string> words; // bytes, texts or values as given
    std::string text;
    std::string digit = " ";
    std::string last_bytes = "00 00";
};

// Turns a subcommand's parsed arguments into a command; throws UsageError.
using Prepare = std::function<OutputCommand(const Arguments &)>;

class SubcommandBuilder {
  public:
    SubcommandBuilder(CLI::App &send, SendOptions &options) : send_(send), options_(options) {}

    // A new subcommand of `send`; the options added next belong to it.
    void add(const std::string &name, const std::string &help, Prepare prepare);
    // --port PORT (0 to 23), required.
    SubcommandBuilder &port();
    // --parameter BYTE, 0 by default.
    SubcommandBuilder &parameter();
    // An optional byte option stored in Arguments::number, 0 by default.
    SubcommandBuilder &number(const std::string &name, const std::string &help);
    // Required positionals: one or more words, or one text.
    SubcommandBuilder &words(const std::string &name, const std::string &help);
    SubcommandBuilder &text(const std::string &name, const std::string &help);

    Arguments &args() { return *args_; }
    CLI::App &app() { return *current_; }

  private:
    CLI::App &send_;
    SendOptions &options_;
    CLI::App *current_ = nullptr;
    Arguments *args_ = nullptr;
};

} // namespace panelink::cli
