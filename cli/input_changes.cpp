#include "input_changes.h"

#include <algorithm>

namespace panelink::cli {

std::vector<InputChange> InputChanges::update(std::span<const uint8_t> states) {
    std::vector<InputChange> changes;
    const size_t inputs = std::min(previous_.size(), states.size());
    for (size_t i = 0; i < inputs; ++i) {
        const uint8_t on = states[i] == 1 ? 1 : 0;
        if (on != previous_[i]) {
            previous_[i] = on;
            changes.push_back({static_cast<int>(i) + 1, on == 1});
        }
    }
    return changes;
}

void ReportPeriod::note_report(int64_t now_ns) {
    interval_ns_ = now_ns - last_ns_;
    last_ns_ = now_ns;
    reports_ = std::min(reports_ + 1, 2);
}

std::optional<int64_t> ReportPeriod::period_ms() const {
    if (reports_ < 2)
        return std::nullopt;
    return interval_ns_ / 1000000;
}

} // namespace panelink::cli
