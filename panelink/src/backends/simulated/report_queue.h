// A bounded first-in, first-out queue of reports, as a HID driver keeps per interface.
//
// When the queue is full the oldest report is dropped to make room, so a board that sends
// faster than it is read cannot grow memory. Slots are reused: once each has held a report of a
// given size, queueing and taking reports allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace panelink::platform::sim {

class ReportQueue {
  public:
    explicit ReportQueue(size_t capacity);

    bool empty() const { return count_ == 0; }

    // Appends a copy of the report, dropping the oldest one when the queue is full.
    void push(const uint8_t *report, size_t length);

    // Removes the oldest report, copying at most `capacity` of its bytes into `out` (which may
    // be null when `capacity` is 0). Returns the report's full length; 0 when the queue is empty.
    size_t pop(uint8_t *out, size_t capacity);

    void clear();

  private:
    std::vector<std::vector<uint8_t>> slots_;
    size_t head_ = 0; // index of the oldest report
    size_t count_ = 0;
};

} // namespace panelink::platform::sim
