// The queue of one board monitor: events wait here until the caller takes them, with the
// signal an event loop waits on set while any is queued.
//
// Threads: the board hub pushes from whichever thread saw the event; callers take from theirs,
// waiting if they choose. Closing wakes every waiting caller.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include <panelink/panelink.h>

#include "backends/platform.h"

namespace panelink::monitor {

// Events a queue holds before it drops its oldest: far more than any set of boards produces
// between two looks of a caller that reads at all.
constexpr size_t kQueueCapacity = 4096;

enum class TakeResult { Event, TimedOut, Closed };

class EventQueue {
  public:
    // False when the wait signal could not be made (out of descriptors).
    bool valid() const { return signal_.valid(); }
    intptr_t wait_handle() const { return signal_.handle(); }

    void push(const PanelinkBoardEvent &event);
    // Waits at most timeout_ms (PANELINK_WAIT_FOREVER: without end) for an event.
    TakeResult take(PanelinkBoardEvent &out, uint32_t timeout_ms);
    // Drops what is queued and wakes every waiting caller; later takes return Closed.
    void close();

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<PanelinkBoardEvent> events_;
    bool closed_ = false;
    platform::WakeSignal signal_;
};

} // namespace panelink::monitor
