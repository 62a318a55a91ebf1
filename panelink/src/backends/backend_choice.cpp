#include <atomic>

#include "backends/platform.h"
#include "backends/process_environment.h"

namespace panelink::platform {
namespace {

std::atomic<bool> &simulation_flag() {
    // The environment chooses virtual boards for the whole process (PANELINK_SIMULATE=demo).
    static std::atomic<bool> enabled{library_variable("PANELINK_SIMULATE") != nullptr};
    return enabled;
}

} // namespace

bool simulation_enabled() {
    return simulation_flag().load(std::memory_order_acquire);
}

void enable_simulation() {
    simulation_flag().store(true, std::memory_order_release);
}

Backend &backend() {
    return simulation_enabled() ? simulated_backend() : native_backend();
}

} // namespace panelink::platform
