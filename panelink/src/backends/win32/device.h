// An open Windows HID interface: a file handle opened for overlapped I/O, its parsed
// collection (fetched once, on first use) and the event its writes wait on.
//
// Threads: the collection is fetched once whichever thread asks first; writes take turns on the
// one write event, each within its own time-out; reads carry their own OVERLAPPED and event.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "backends/platform.h"
#include "backends/win32/collection.h"
#include "backends/win32/win32_headers.h"

namespace panelink::platform::windows {

class WindowsDevice final : public Device {
  public:
    // Takes ownership of `file`, a handle opened with FILE_FLAG_OVERLAPPED.
    explicit WindowsDevice(HANDLE file);
    ~WindowsDevice() override;
    WindowsDevice(const WindowsDevice &) = delete;
    WindowsDevice &operator=(const WindowsDevice &) = delete;

    bool attributes(Attributes &out) override;
    bool text(DeviceText which, wchar_t (&out)[kDeviceTextChars]) override;
    const hid::Collection *collection() override;
    size_t input_data(const uint8_t *report, size_t length, hid::DataItem *out,
                      size_t capacity) override;
    void flush_input() override;
    bool start_read(InputRead &read) override;
    WaitResult wait_read(InputRead &read, uint32_t timeout_ms) override;
    void cancel_read(InputRead &read) override;
    WaitResult write(const uint8_t *report, size_t length, uint32_t timeout_ms) override;

  private:
    HidCollection *loaded_collection();

    HANDLE file_;
    HANDLE write_event_;          // manual reset; null when it could not be created
    std::timed_mutex write_turn_; // one write at a time on write_event_
    std::mutex collection_mutex_; // fetching the collection
    std::atomic<bool> collection_tried_{false};
    std::unique_ptr<HidCollection> collection_; // null when the interface has no parsed data
};

} // namespace panelink::platform::windows
