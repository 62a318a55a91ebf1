// The diagnostic log of one enumeration.
//
// DetectHID and DetectDevice open it for the length of the call, and the record filler writes to
// it too. One session is open at a time in the process: a session on another thread waits until
// the open one ends. The stream belongs to the session's thread: writes from any other thread
// do nothing, as do writes outside a session. A log file that cannot be created is no reason to
// stop: every write then does nothing.
#pragma once

#include <cstdint>
#include <mutex>
#include <string_view>

#if defined(__GNUC__)
#define PANELINK_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define PANELINK_PRINTF_FORMAT(fmt, args)
#endif

namespace panelink::detection_log {

// Opens the log file for the lifetime of the object and closes it on destruction. Only a regular
// file is written (see platform::open_log_file); anything else leaves the session without a log.
// Nested sessions are not supported (one on the same thread would wait for itself).
enum class Opening { Replace, Append };
class Session {
  public:
    Session(const char *file_name, Opening opening);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;
    // Closes the log before the end of the session's scope; the next session may start.
    void close();

  private:
    std::unique_lock<std::mutex> turn_; // held from opening to closing
};

// Writes printf-style text, at most kMaxLine bytes of it. Texts taken from fixed-size fields
// must be passed with a bounded conversion ("%.*s").
constexpr int kMaxLine = 1024;
void write(const char *format, ...) PANELINK_PRINTF_FORMAT(1, 2);

// Writes `text` as it is (a device path, a system message), whatever its length.
void write_text(std::string_view text);

// Writes a text that came from a device (its manufacturer or product name). Control bytes
// (below 0x20, and 0x7F) are written as "\xNN", so that a device cannot start log lines of its
// own or send escape sequences to a terminal that shows the log; every other byte as it is.
void write_device_text(std::string_view text);

// The error line "Error ; <code> - <system text for code>\n".
void write_error_line(uint32_t code);

} // namespace panelink::detection_log
