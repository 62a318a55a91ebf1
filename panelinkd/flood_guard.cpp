#include "flood_guard.h"

#include <algorithm>

namespace panelinkd {

bool FloodGuard::admit(Clock::time_point now) {
    const std::lock_guard lock(lock_);
    if (last_ != Clock::time_point{}) {
        const double seconds = std::chrono::duration<double>(now - last_).count();
        tokens_ = std::min(per_second_, tokens_ + std::max(0.0, seconds) * per_second_);
    }
    last_ = now;
    if (tokens_ < 1.0)
        return false;
    tokens_ -= 1.0;
    return true;
}

} // namespace panelinkd
