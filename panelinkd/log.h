// The service's log: one line per message on standard error, which systemd's journal keeps when
// the service runs as a unit. Safe to call from any thread.
#pragma once

#include <string_view>

namespace panelinkd {

enum class LogLevel { error = 0, warning = 1, info = 2, debug = 3 };

// Messages above `level` are dropped; info by default.
void set_log_level(LogLevel level);
bool log_enabled(LogLevel level);

// Writes "panelinkd: <level>: <message>" as one line.
void log(LogLevel level, std::string_view message);

inline void log_error(std::string_view message) {
    log(LogLevel::error, message);
}
inline void log_warning(std::string_view message) {
    log(LogLevel::warning, message);
}
inline void log_info(std::string_view message) {
    log(LogLevel::info, message);
}
inline void log_debug(std::string_view message) {
    log(LogLevel::debug, message);
}

} // namespace panelinkd
