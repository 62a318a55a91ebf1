#include "log.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace panelinkd {
namespace {

std::atomic<int> max_level{static_cast<int>(LogLevel::info)};
std::mutex write_lock;

const char *level_word(LogLevel level) {
    switch (level) {
    case LogLevel::error:
        return "error";
    case LogLevel::warning:
        return "warning";
    case LogLevel::info:
        return "info";
    case LogLevel::debug:
        return "debug";
    }
    return "info";
}

} // namespace

void set_log_level(LogLevel level) {
    max_level = static_cast<int>(level);
}

bool log_enabled(LogLevel level) {
    return static_cast<int>(level) <= max_level.load();
}

void log(LogLevel level, std::string_view message) {
    if (!log_enabled(level))
        return;
    std::string line = "panelinkd: ";
    line += level_word(level);
    line += ": ";
    // One message is one line: a line break inside it (from a board's text, a client's payload)
    // cannot forge a line of its own.
    for (char c : message)
        line += (c == '\n' || c == '\r') ? ' ' : c;
    line += '\n';
    const std::lock_guard lock(write_lock);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace panelinkd
