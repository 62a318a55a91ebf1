// The wake signal on Windows: a manual-reset event.
#include "backends/platform.h"
#include "backends/win32/win32_headers.h"

namespace panelink::platform {

WakeSignal::WakeSignal() {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    handle_ = event != nullptr ? reinterpret_cast<intptr_t>(event) : -1;
}

WakeSignal::~WakeSignal() {
    if (handle_ != -1)
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool WakeSignal::valid() const {
    return handle_ != -1;
}

void WakeSignal::set() {
    if (handle_ != -1)
        SetEvent(reinterpret_cast<HANDLE>(handle_));
}

void WakeSignal::clear() {
    if (handle_ != -1)
        ResetEvent(reinterpret_cast<HANDLE>(handle_));
}

intptr_t WakeSignal::handle() const {
    return handle_;
}

} // namespace panelink::platform
