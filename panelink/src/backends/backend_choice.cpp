#include "backends/platform.h"
#include "backends/process_environment.h"

namespace panelink::platform {
namespace {

bool &simulation_flag() {
    // The environment chooses virtual boards for the whole process (PANELINK_SIMULATE=demo).
    static bool enabled = [] { return library_variable("PANELINK_SIMULATE") != nullptr; }();
    return enabled;
}

} // namespace

bool simulation_enabled() {
    return simulation_flag();
}

void enable_simulation() {
    simulation_flag() = true;
}

Backend &backend() {
    return simulation_enabled() ? simulated_backend() : native_backend();
}

} // namespace panelink::platform
