// The HID platform layer: the one interface through which the core reaches devices.
//
// It offers what the Windows HID, SetupAPI and overlapped-I/O services offer, in a form every
// backend (hidraw, simulated, windows) can provide. The core never sees a platform type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hid/report_descriptor.h"

namespace panelink::platform {

struct Attributes {
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    uint16_t version_number = 0;
};

enum class DeviceText { Manufacturer, Product, SerialNumber };

// Wide characters per device-text request (a 512-byte buffer on Windows).
constexpr size_t kDeviceTextChars = 256;

// Input reports are at most this long (report ID byte plus 64 data bytes).
constexpr size_t kMaxInputReport = 65;

enum class WaitResult {
    Completed, // the transfer finished
    TimedOut,  // still pending when the time-out passed
    Failed     // the wait or the transfer failed (device gone, error)
};

// One input read, overlapped style: started, then waited on (possibly many times with a 0 ms
// time-out), then either completed or cancelled. The buffer must stay valid until then. The
// storage behind `platform` belongs to the backend (an OVERLAPPED and its event on Windows).
struct InputRead {
    uint8_t *buffer = nullptr;
    size_t length = 0;      // bytes asked for (the record's InputReportByteLength)
    size_t transferred = 0; // bytes delivered when the read completed
    bool started = false;   // set by the backend between start_read and completion or cancel
    alignas(8) unsigned char platform[64] = {};
};

// An open HID interface. Destroying it closes it.
class Device {
  public:
    virtual ~Device() = default;

    // HidD_GetAttributes. False with the last error set when the request fails.
    virtual bool attributes(Attributes &out) = 0;

    // HidD_Get{Manufacturer,Product,SerialNumber}String: a terminated wide text of at most
    // kDeviceTextChars characters including the terminator. False with the last error set when
    // the device gives no such text.
    virtual bool text(DeviceText which, wchar_t (&out)[kDeviceTextChars]) = 0;

    // The parsed descriptor of the interface's top-level collection (HidD_GetPreparsedData), or
    // null when there is none. Owned by the device.
    virtual const hid::Collection *collection() = 0;

    // HidP_GetData for an input report (report ID byte first): the data items of its set
    // buttons and value controls, as hid::Collection::input_data describes them. The default
    // decodes with the parsed descriptor; Windows asks its own HID parser, because the
    // capabilities it hands out carry no bit positions to decode with.
    virtual size_t input_data(const uint8_t *report, size_t length, hid::DataItem *out,
                              size_t capacity) {
        const hid::Collection *parsed = collection();
        return parsed != nullptr ? parsed->input_data(report, length, out, capacity) : 0;
    }

    // HidD_FlushQueue: discards every queued input report, without blocking.
    virtual void flush_input() = 0;

    // Starts reading one input report into read.buffer. False when the transfer cannot even
    // be started (the device is gone).
    virtual bool start_read(InputRead &read) = 0;
    // Waits at most timeout_ms (0 = just look) for a started read. The delivered report starts
    // with its report ID byte.
    virtual WaitResult wait_read(InputRead &read, uint32_t timeout_ms) = 0;
    // Cancels a started read; on return the buffer is no longer used by the platform.
    virtual void cancel_read(InputRead &read) = 0;

    // Writes one output report (report ID byte first) and waits at most timeout_ms for the
    // device to take it. A report that could not be started gives Failed.
    virtual WaitResult write(const uint8_t *report, size_t length, uint32_t timeout_ms) = 0;
};

// What the interface walk found at one member index.
enum class WalkStep { Found, DetailFailed, End };

// An interface that arrived, as a board watch describes it.
struct BoardArrival {
    std::string path; // as walk_interface reports it
    Attributes attributes;
    std::wstring serial; // empty when the interface gives none
    bool opened = true;  // false: it could not be opened for read + write (see error)
    uint32_t error = 0;  // the system's error code when it could not be opened
};

// Which interfaces a watch reports: it asks before it opens one, so that no other device is
// opened or reported.
using BoardFilter = bool (*)(uint16_t vendor_id, uint16_t product_id);

// Where a board watch delivers what it sees, from a thread of its own or from the thread that
// plugged a virtual board. Calls may come from several threads; the receiver serialises them.
class BoardEventSink {
  public:
    virtual ~BoardEventSink() = default;
    virtual void arrived(const BoardArrival &arrival) = 0;
    virtual void left(const std::string &path) = 0;
    // The watch lost events (the system's queue overflowed): `present` is every interface now
    // present that the filter accepts, and the receiver reports the difference.
    virtual void resynchronise(const std::vector<BoardArrival> &present) = 0;
};

// A running board watch. Destroying it stops it: once the destructor returns, its sink is
// never called again. The destructor must not be called from inside the sink.
class BoardWatch {
  public:
    virtual ~BoardWatch() = default;
};

class Backend {
  public:
    virtual ~Backend() = default;

    // SetupDiGetClassDevs: takes a snapshot of the present HID interfaces. False when no set
    // of interfaces can be had (last error set).
    virtual bool begin_walk() = 0;
    // SetupDiEnumDeviceInterfaces + SetupDiGetDeviceInterfaceDetail for member `index`.
    virtual WalkStep walk_interface(uint32_t index, std::string &path) = 0;
    // SetupDiDestroyDeviceInfoList.
    virtual void end_walk() = 0;

    // CreateFile for read + write, shared, overlapped. Null with the last error set on failure.
    virtual std::unique_ptr<Device> open(const char *path) = 0;

    // Starts following arrivals and departures of the interfaces `filter` accepts, delivering
    // them to `sink`, and fills `present` with those present once it listens (so that none
    // falls between the two; an event for one of them may still follow, and the receiver
    // drops what it already knows). Null with the last error set when the system's
    // notifications cannot be had.
    virtual std::unique_ptr<BoardWatch> watch_boards(BoardEventSink &sink, BoardFilter filter,
                                                     std::vector<BoardArrival> &present) = 0;

    // Monotonic milliseconds.
    virtual uint64_t now_ms() = 0;

    // GetLastError of the calling thread, and the system's text for a code (no line break).
    virtual uint32_t last_error() = 0;
    virtual std::string error_text(uint32_t code) = 0;
};

// The backend in use: the simulated one once enabled (or when PANELINK_SIMULATE is set),
// otherwise the platform's own.
Backend &backend();

// A signal an event loop can wait on: a file descriptor readable while set on POSIX, a
// manual-reset event on Windows. set() and clear() may be called from any thread; calling
// either twice is harmless.
class WakeSignal {
  public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal &) = delete;
    WakeSignal &operator=(const WakeSignal &) = delete;

    bool valid() const;
    void set();
    void clear();
    // The descriptor or HANDLE, as an integer; -1 when the signal could not be made.
    intptr_t handle() const;

  private:
    intptr_t handle_ = -1;
};

// Backends this build has. native_backend() is hidraw on Linux, windows on Windows.
Backend &simulated_backend();
Backend &native_backend();

// True once the simulated bus has been chosen.
bool simulation_enabled();
void enable_simulation();

} // namespace panelink::platform
