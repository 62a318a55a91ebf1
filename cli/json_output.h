// JSON on one line, flushed at once so that a reader on a pipe sees each object as it comes.
#pragma once

#include <ostream>

#include <nlohmann/json.hpp>

namespace panelink::cli {

inline void write_json_line(std::ostream &out, const nlohmann::ordered_json &value) {
    out << value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
        << std::endl;
}

} // namespace panelink::cli
