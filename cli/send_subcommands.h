// The send subcommands, one per output command of the library and `raw` for one output report,
// with their arguments in a person's terms.
#pragma once

#include <CLI/CLI.hpp>

#include "send_command.h"

namespace panelink::cli {

void add_output_subcommands(CLI::App &send, SendOptions &options);

} // namespace panelink::cli
