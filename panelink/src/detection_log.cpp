#include "detection_log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "backends/platform.h"

namespace panelink::detection_log {
namespace {

std::FILE *&stream() {
    static std::FILE *file = nullptr;
    return file;
}

} // namespace

Session::Session(const char *file_name, const char *open_mode) {
    if (stream() != nullptr)
        std::fclose(stream());
    stream() = std::fopen(file_name, open_mode);
}

Session::~Session() {
    close();
}

void Session::close() {
    if (stream() != nullptr) {
        std::fclose(stream());
        stream() = nullptr;
    }
}

void write(const char *format, ...) {
    if (stream() == nullptr)
        return;
    char line[kMaxLine];
    va_list args;
    va_start(args, format);
    int produced = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (produced <= 0)
        return;
    size_t length = static_cast<size_t>(produced);
    if (length >= sizeof line)
        length = sizeof line - 1; // cut, as vsnprintf did
    std::fwrite(line, 1, length, stream());
}

void write_text(std::string_view text) {
    if (stream() == nullptr || text.empty())
        return;
    std::fwrite(text.data(), 1, text.size(), stream());
}

void write_error_line(uint32_t code) {
    if (stream() == nullptr)
        return;
    const std::string message = platform::backend().error_text(code);
    write("Error ; %d - ", static_cast<int>(code));
    write_text(message);
    write_text("\n");
}

} // namespace panelink::detection_log
