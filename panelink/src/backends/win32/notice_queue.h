// What the system says about HID interfaces (one arrived, one was removed, by its path), queued
// from the system's notification thread for the board watch's own thread, and the base of the
// two sources of such notices.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

namespace panelink::platform::windows {

struct Notice {
    bool arrived = false;
    std::wstring path; // the interface's symbolic link, as the system gave it
};

class NoticeQueue {
  public:
    // Cheap, never blocks for long: callable from the system's notification thread.
    void push(bool arrived, const wchar_t *path, size_t length);
    enum class Taken { Notice, TimedOut, Stopped };
    // Waits at most `timeout_ms` (kForever: as long as it takes) for the next notice.
    static constexpr uint32_t kForever = 0xFFFFFFFF;
    Taken take(Notice &out, uint32_t timeout_ms);
    void stop();

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Notice> notices_;
    bool stopped_ = false;
};

// A registration for the HID interface class's notices. Destroying it unregisters it: once the
// destructor returns, it pushes nothing more.
class NoticeSource {
  public:
    virtual ~NoticeSource() = default;
};

} // namespace panelink::platform::windows
