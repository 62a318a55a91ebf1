#include "monitor/event_queue.h"

#include <chrono>

namespace panelink::monitor {

void EventQueue::push(const PanelinkBoardEvent &event) {
    {
        const std::lock_guard lock(mutex_);
        if (closed_)
            return;
        if (events_.size() == kQueueCapacity)
            events_.pop_front();
        events_.push_back(event);
        signal_.set();
    }
    changed_.notify_all();
}

TakeResult EventQueue::take(PanelinkBoardEvent &out, uint32_t timeout_ms) {
    std::unique_lock lock(mutex_);
    const auto ready = [this] { return closed_ || !events_.empty(); };
    if (timeout_ms == PANELINK_WAIT_FOREVER)
        changed_.wait(lock, ready);
    else if (timeout_ms > 0)
        changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready);
    if (closed_)
        return TakeResult::Closed;
    if (events_.empty())
        return TakeResult::TimedOut;
    out = events_.front();
    events_.pop_front();
    if (events_.empty())
        signal_.clear();
    return TakeResult::Event;
}

void EventQueue::close() {
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        events_.clear();
        signal_.clear();
    }
    changed_.notify_all();
}

} // namespace panelink::monitor
