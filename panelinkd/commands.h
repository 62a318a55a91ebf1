// Output commands from MQTT clients: `<prefix>/<board>/set/<command>` with a JSON object of
// arguments. The commands and their arguments are those of `panelink send`, checked by the same
// code: an option becomes a key without its dashes ("--last-bytes" is "last_bytes"), a
// positional argument a key in lower case ("BYTES" is "bytes"). A value is a number, a text or
// an array of them; a number in a list of bytes counts as the number it is (16 is 0x10).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "send_command.h"

namespace panelinkd {

// Why a command cannot run, in words fit for the error topic.
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The command `name` with the JSON arguments in `payload` (an empty payload is no argument),
// ready to send; throws CommandError when the name, the JSON or an argument does not fit.
panelink::cli::OutputCommand prepare_command(const std::string &name, std::string_view payload);

// The names of the commands, as `panelink send` lists its subcommands.
std::vector<std::string> command_names();

} // namespace panelinkd
