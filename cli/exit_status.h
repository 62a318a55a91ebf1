// The tool's exit statuses, and the exception that turns an argument problem found after parsing
// into a usage error.
#pragma once

#include <stdexcept>

namespace panelink::cli {

enum ExitStatus : int {
    kExitDone = 0,
    kExitBoardFailed = 1, // a board operation failed
    kExitUsage = 2,
    kExitNoBoard = 3, // no board found, or none with the index asked for
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace panelink::cli
