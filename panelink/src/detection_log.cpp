#include "detection_log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "backends/platform.h"
#include "backends/process_environment.h"

namespace panelink::detection_log {
namespace {

// The open session's log file, seen only by the session's thread.
thread_local std::FILE *t_stream = nullptr;

std::FILE *&stream() {
    return t_stream;
}

std::mutex &session_mutex() {
    static std::mutex mutex;
    return mutex;
}

// Where the log file goes: into the folder named by PANELINK_LOG_DIR, or the current folder
// when that is unset or empty. The folder is not created: a log that cannot be opened there is
// left out, as one that cannot be created in the current folder.
std::string log_path(const char *file_name) {
    const char *folder = platform::library_variable("PANELINK_LOG_DIR");
    if (folder == nullptr)
        return file_name;
    std::string path = folder;
    const char last = path.back();
    if (last != '/' && last != '\\')
        path += '/';
    return path + file_name;
}

} // namespace

Session::Session(const char *file_name, Opening opening) : turn_(session_mutex()) {
    if (stream() != nullptr)
        std::fclose(stream());
    stream() = platform::open_log_file(log_path(file_name), opening == Opening::Append);
}

Session::~Session() {
    close();
}

void Session::close() {
    if (!turn_.owns_lock())
        return;
    if (stream() != nullptr) {
        std::fclose(stream());
        stream() = nullptr;
    }
    turn_.unlock();
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

void write_device_text(std::string_view text) {
    if (stream() == nullptr)
        return;
    size_t run_start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte != 0x7F)
            continue;
        write_text(text.substr(run_start, i - run_start));
        std::fprintf(stream(), "\\x%02X", byte);
        run_start = i + 1;
    }
    write_text(text.substr(run_start));
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
