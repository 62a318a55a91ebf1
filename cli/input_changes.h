// What watch reports from a board's decoded input states: the inputs that changed since the
// previous report, and the period between the board's reports as inputscope shows it (the time
// between the two latest reports, in whole milliseconds, known from the second report on).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace panelink::cli {

struct InputChange {
    int input; // 1-based
    bool on;
};

class InputChanges {
  public:
    // Watches inputs 1 to `inputs`, all taken as off before the first report.
    explicit InputChanges(int inputs) : previous_(static_cast<size_t>(inputs), 0) {}

    // The changes that `states` (one byte per input, 1 = on) brings, in input order.
    std::vector<InputChange> update(std::span<const uint8_t> states);

  private:
    std::vector<uint8_t> previous_;
};

class ReportPeriod {
  public:
    // A report arrived at `now_ns` (any monotonic clock).
    void note_report(int64_t now_ns);
    // The time between the two latest reports in whole milliseconds, once two have arrived.
    std::optional<int64_t> period_ms() const;

  private:
    int64_t last_ns_ = 0;
    int64_t interval_ns_ = 0;
    int reports_ = 0; // counts up to 2
};

} // namespace panelink::cli
