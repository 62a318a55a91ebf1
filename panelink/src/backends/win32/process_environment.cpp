#include "backends/process_environment.h"

#include <cstdlib>

namespace panelink::platform {

const char *library_variable(const char *name) {
    const char *value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

std::FILE *open_log_file(const std::string &path, bool append) {
    // Text mode: "\n" is written as "\r\n", as Windows programs expect of a log.
    return std::fopen(path.c_str(), append ? "a" : "w");
}

} // namespace panelink::platform
