// A bound on how many commands per second all clients together may send: a token bucket that
// holds up to one second's worth, refilled continuously. A command beyond it is refused.
#pragma once

#include <chrono>
#include <mutex>

namespace panelinkd {

class FloodGuard {
  public:
    using Clock = std::chrono::steady_clock;

    explicit FloodGuard(unsigned per_second) : per_second_(per_second), tokens_(per_second) {}

    // True when one more command may run now.
    bool admit(Clock::time_point now);

  private:
    std::mutex lock_;
    double per_second_;
    double tokens_;
    Clock::time_point last_{};
};

} // namespace panelinkd
