#include "backends/win32/notice_queue.h"

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

bool NoticeQueue::take(Notice &out) {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return stopped_ || !notices_.empty(); });
    if (stopped_)
        return false;
    out = std::move(notices_.front());
    notices_.pop_front();
    return true;
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
