// The whole command line: parses it, runs the subcommand and returns the exit status.
#pragma once

#include <ostream>

namespace panelink::cli {

int run(int argc, char **argv, std::ostream &out, std::ostream &err);

} // namespace panelink::cli
