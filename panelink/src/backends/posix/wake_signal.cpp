// The wake signal on Linux: an eventfd, readable while its counter is above zero.
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "backends/platform.h"

namespace panelink::platform {

WakeSignal::WakeSignal() {
    handle_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

WakeSignal::~WakeSignal() {
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
}

bool WakeSignal::valid() const {
    return handle_ >= 0;
}

void WakeSignal::set() {
    if (handle_ < 0)
        return;
    // The counter only needs to be above zero; a full counter (never reached) stays readable.
    const uint64_t one = 1;
    while (::write(static_cast<int>(handle_), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void WakeSignal::clear() {
    if (handle_ < 0)
        return;
    uint64_t count = 0;
    while (::read(static_cast<int>(handle_), &count, sizeof count) < 0 && errno == EINTR) {
    }
}

intptr_t WakeSignal::handle() const {
    return handle_;
}

} // namespace panelink::platform
