#include "backends/win32/device.h"

#include <algorithm>
#include <chrono>

#include "backends/win32/io.h"

namespace panelink::platform::windows {

static_assert(sizeof(wchar_t) == 2, "device texts are 16-bit wide strings on Windows");
static_assert(sizeof(wchar_t[kDeviceTextChars]) == 512, "a device text buffer is 512 bytes");

WindowsDevice::WindowsDevice(HANDLE file)
    : file_(file), write_event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

WindowsDevice::~WindowsDevice() {
    // Reads still under way (a poll slot's outstanding read) must let go of their buffers and
    // events before the handle goes away.
    finish_reads(file_);
    if (write_event_ != nullptr)
        CloseHandle(write_event_);
    CloseHandle(file_);
}

bool WindowsDevice::attributes(Attributes &out) {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    static_assert(sizeof(HIDD_ATTRIBUTES) == 12, "HIDD_ATTRIBUTES is 12 bytes");
    if (!HidD_GetAttributes(file_, &attributes))
        return false;
    out.vendor_id = attributes.VendorID;
    out.product_id = attributes.ProductID;
    out.version_number = attributes.VersionNumber;
    return true;
}

bool WindowsDevice::text(DeviceText which, wchar_t (&out)[kDeviceTextChars]) {
    BOOLEAN ok = FALSE;
    switch (which) {
    case DeviceText::Manufacturer:
        ok = HidD_GetManufacturerString(file_, out, sizeof(out));
        break;
    case DeviceText::Product:
        ok = HidD_GetProductString(file_, out, sizeof(out));
        break;
    case DeviceText::SerialNumber:
        ok = HidD_GetSerialNumberString(file_, out, sizeof(out));
        break;
    }
    if (!ok)
        return false;
    out[kDeviceTextChars - 1] = L'\0'; // a text that fills the buffer comes unterminated
    return true;
}

HidCollection *WindowsDevice::loaded_collection() {
    if (!collection_tried_.load(std::memory_order_acquire)) {
        const std::lock_guard lock(collection_mutex_);
        if (!collection_tried_.load(std::memory_order_relaxed)) {
            auto loaded = std::make_unique<HidCollection>();
            if (loaded->load(file_))
                collection_ = std::move(loaded);
            collection_tried_.store(true, std::memory_order_release);
        }
    }
    return collection_.get();
}

const hid::Collection *WindowsDevice::collection() {
    HidCollection *loaded = loaded_collection();
    return loaded != nullptr ? &loaded->collection() : nullptr;
}

size_t WindowsDevice::input_data(const uint8_t *report, size_t length, hid::DataItem *out,
                                 size_t capacity) {
    HidCollection *loaded = loaded_collection();
    return loaded != nullptr ? loaded->input_data(report, length, out, capacity) : 0;
}

void WindowsDevice::flush_input() {
    HidD_FlushQueue(file_);
}

bool WindowsDevice::start_read(InputRead &read) {
    return windows::start_read(file_, read);
}

WaitResult WindowsDevice::wait_read(InputRead &read, uint32_t timeout_ms) {
    return windows::wait_read(read, timeout_ms);
}

void WindowsDevice::cancel_read(InputRead &read) {
    windows::cancel_read(read);
}

WaitResult WindowsDevice::write(const uint8_t *report, size_t length, uint32_t timeout_ms) {
    // A write of another thread on the same interface holds the event: this one waits for it
    // within its own time-out, and has what is left of it.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::unique_lock turn(write_turn_, std::defer_lock);
    if (!turn.try_lock_until(deadline)) {
        SetLastError(WAIT_TIMEOUT);
        return WaitResult::TimedOut;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const auto left_ms = static_cast<uint32_t>(std::max<int64_t>(0, left.count()));
    return write_report(file_, write_event_, report, length, std::min(left_ms, timeout_ms));
}

} // namespace panelink::platform::windows
