#include "backends/win32/notice_queue.h"

#include <chrono>
#include <utility>

namespace panelink::platform::windows {

void NoticeQueue::push(bool arrived, const wchar_t *path, size_t length) {
    Notice notice{arrived, std::wstring(path, length)};
    {
        const std::lock_guard lock(mutex_);
        if (stopped_)
            return;
        notices_.push_back(std::move(notice));
    }
    ready_.notify_one();
}

NoticeQueue::Taken NoticeQueue::take(Notice &out, uint32_t timeout_ms) {
    std::unique_lock lock(mutex_);
    const auto ready = [this] { return stopped_ || !notices_.empty(); };
    if (timeout_ms == kForever)
        ready_.wait(lock, ready);
    else if (!ready_.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready))
        return Taken::TimedOut;
    if (stopped_)
        return Taken::Stopped;
    out = std::move(notices_.front());
    notices_.pop_front();
    return Taken::Notice;
}

void NoticeQueue::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
        notices_.clear();
    }
    ready_.notify_all();
}

} // namespace panelink::platform::windows
