// panelink_monitor_open, _next, _wait_handle and _close: monitors by id, so that a call with a
// closed id is refused rather than reaching freed memory, and a thread waiting on a monitor
// keeps its queue while another thread closes it.
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include <panelink/panelink.h>

#include "monitor/board_hub.h"
#include "monitor/event_queue.h"

namespace panelink::monitor {
namespace {

class MonitorTable {
  public:
    uint32_t add(std::shared_ptr<EventQueue> queue) {
        const std::lock_guard lock(mutex_);
        const uint32_t id = next_id_++;
        if (next_id_ == 0)
            next_id_ = 1; // after four billion monitors: ids start over, never 0
        queues_.emplace(id, std::move(queue));
        return id;
    }
    std::shared_ptr<EventQueue> find(uint32_t id) {
        const std::lock_guard lock(mutex_);
        const auto found = queues_.find(id);
        return found != queues_.end() ? found->second : nullptr;
    }
    std::shared_ptr<EventQueue> remove(uint32_t id) {
        const std::lock_guard lock(mutex_);
        const auto found = queues_.find(id);
        if (found == queues_.end())
            return nullptr;
        std::shared_ptr<EventQueue> queue = std::move(found->second);
        queues_.erase(found);
        return queue;
    }

  private:
    std::mutex mutex_;
    uint32_t next_id_ = 1;
    std::unordered_map<uint32_t, std::shared_ptr<EventQueue>> queues_;
};

MonitorTable &monitors() {
    static MonitorTable table;
    return table;
}

} // namespace
} // namespace panelink::monitor

using panelink::monitor::EventQueue;

extern "C" PANELINK_API uint32_t PANELINK_CALL panelink_monitor_open(uint32_t flags) {
    if ((flags & ~PANELINK_MONITOR_SNAPSHOT) != 0)
        return 0;
    auto queue = std::make_shared<EventQueue>();
    if (!queue->valid())
        return 0;
    if (!panelink::monitor::board_hub().subscribe(queue, (flags & PANELINK_MONITOR_SNAPSHOT) != 0))
        return 0;
    return panelink::monitor::monitors().add(std::move(queue));
}

extern "C" PANELINK_API int32_t PANELINK_CALL panelink_monitor_next(uint32_t monitor,
                                                                    PanelinkBoardEvent *event,
                                                                    uint32_t timeout_ms) {
    if (event == nullptr)
        return PANELINK_MONITOR_BAD_ARGUMENT;
    const std::shared_ptr<EventQueue> queue = panelink::monitor::monitors().find(monitor);
    if (!queue)
        return PANELINK_MONITOR_CLOSED;
    switch (queue->take(*event, timeout_ms)) {
    case panelink::monitor::TakeResult::Event:
        return PANELINK_MONITOR_EVENT;
    case panelink::monitor::TakeResult::TimedOut:
        return PANELINK_MONITOR_TIMEOUT;
    case panelink::monitor::TakeResult::Closed:
        break;
    }
    return PANELINK_MONITOR_CLOSED;
}

extern "C" PANELINK_API intptr_t PANELINK_CALL panelink_monitor_wait_handle(uint32_t monitor) {
    const std::shared_ptr<EventQueue> queue = panelink::monitor::monitors().find(monitor);
    return queue ? queue->wait_handle() : -1;
}

extern "C" PANELINK_API int32_t PANELINK_CALL panelink_monitor_close(uint32_t monitor) {
    const std::shared_ptr<EventQueue> queue = panelink::monitor::monitors().remove(monitor);
    if (!queue)
        return 0;
    queue->close();
    panelink::monitor::board_hub().unsubscribe(queue);
    return 1;
}
