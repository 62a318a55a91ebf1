// The exported functions of panelink/simulation.h: the board side of the simulated bus.
#include <panelink/simulation.h>

#include <memory>
#include <mutex>

#include "backends/platform.h"
#include "backends/simulated/bus.h"

using panelink::platform::sim::bus;
using panelink::platform::sim::Interface;

extern "C" {

PANELINK_API int PANELINK_CALL panelink_sim_enable(int manual_clock) {
    bus().use_manual_clock(manual_clock != 0);
    panelink::platform::enable_simulation();
    return 1;
}

PANELINK_API void PANELINK_CALL panelink_sim_reset(void) {
    bus().reset();
}

PANELINK_API int PANELINK_CALL panelink_sim_add(const PanelinkSimInterface *iface) {
    return iface == nullptr ? 0 : bus().add(*iface);
}

PANELINK_API int PANELINK_CALL panelink_sim_remove(int id) {
    return bus().remove(id) ? 1 : 0;
}

PANELINK_API int PANELINK_CALL panelink_sim_push_input(int id, const unsigned char *report,
                                                       size_t length) {
    const std::shared_ptr<Interface> iface = bus().find(id);
    if (iface == nullptr || report == nullptr) {
        return 0;
    }
    const std::lock_guard lock(iface->mutex);
    iface->input.push(report, length);
    return 1;
}

PANELINK_API size_t PANELINK_CALL panelink_sim_pop_output(int id, unsigned char *buffer,
                                                          size_t capacity) {
    const std::shared_ptr<Interface> iface = bus().find(id);
    if (iface == nullptr || (buffer == nullptr && capacity != 0)) {
        return 0;
    }
    const std::lock_guard lock(iface->mutex);
    return iface->output.pop(buffer, capacity);
}

PANELINK_API void PANELINK_CALL panelink_sim_set_responder(int id, PanelinkSimResponder fn,
                                                           void *context) {
    if (const std::shared_ptr<Interface> iface = bus().find(id)) {
        const std::lock_guard lock(iface->mutex);
        iface->responder = fn;
        iface->responder_context = fn != nullptr ? context : nullptr;
    }
}

PANELINK_API int PANELINK_CALL panelink_sim_set_fault(int id, int fault, int count) {
    if (count < -1) {
        return 0;
    }
    if (id == 0) {
        if (fault != PANELINK_SIM_FAULT_ENUMERATION) {
            return 0;
        }
        bus().set_enumeration_fault(count);
        return 1;
    }
    const std::shared_ptr<Interface> iface = bus().find(id);
    if (iface == nullptr || fault < PANELINK_SIM_FAULT_DETAIL ||
        fault > PANELINK_SIM_FAULT_READ_WAIT) {
        return 0;
    }
    const std::lock_guard lock(iface->mutex);
    iface->faults[fault].set(count);
    return 1;
}

PANELINK_API void PANELINK_CALL panelink_sim_advance_ms(unsigned ms) {
    bus().advance_ms(ms);
}

} // extern "C"
