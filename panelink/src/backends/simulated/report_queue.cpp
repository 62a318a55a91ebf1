#include "backends/simulated/report_queue.h"

#include <algorithm>

namespace panelink::platform::sim {

ReportQueue::ReportQueue(size_t capacity) : slots_(capacity == 0 ? 1 : capacity) {}

void ReportQueue::push(const uint8_t *report, size_t length) {
    if (count_ == slots_.size()) {
        head_ = (head_ + 1) % slots_.size();
        --count_;
    }
    std::vector<uint8_t> &slot = slots_[(head_ + count_) % slots_.size()];
    slot.assign(report, report + length);
    ++count_;
}

size_t ReportQueue::pop(uint8_t *out, size_t capacity) {
    if (count_ == 0) {
        return 0;
    }
    const std::vector<uint8_t> &slot = slots_[head_];
    const size_t length = slot.size();
    if (out != nullptr) {
        std::copy_n(slot.data(), std::min(length, capacity), out);
    }
    head_ = (head_ + 1) % slots_.size();
    --count_;
    return length;
}

void ReportQueue::clear() {
    head_ = 0;
    count_ = 0;
}

} // namespace panelink::platform::sim
