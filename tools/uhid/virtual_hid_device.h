// One kernel HID device served from user space through /dev/uhid.
//
// The kernel sees a HID device like any other: hid-generic binds to it, a hidraw node appears,
// and programs talk to that node as they would to a plugged-in board. This side of it sends
// input reports and receives what programs write (output reports, feature requests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace panelink::uhid {

// What the kernel is told about the device when it is created.
struct Identity {
    uint16_t bus = 0x03; // BUS_USB
    uint16_t vendor = 0;
    uint16_t product = 0;
    uint16_t version = 0;
    std::string name; // HID_NAME: the product text hidraw programs see
    std::string uniq; // HID_UNIQ: the serial number
    std::string phys; // HID_PHYS: ends in "/inputN" for interface N (see phys_for_interface)
    std::vector<uint8_t> descriptor;
};

// A physical path unique within this machine (process id and a counter) that ends in
// "/inputN", as usbhid writes it for interface N.
std::string phys_for_interface(int interface_number);

enum class EventType { Start, Stop, Open, Close, Output, GetReport, SetReport, Other };

// One event from the kernel. Output carries report_type and data; GetReport carries id,
// report_number and report_type; SetReport carries all four. report_type uses the uhid
// numbering: 0 feature, 1 output, 2 input.
struct Event {
    EventType type = EventType::Other;
    uint32_t id = 0;
    uint8_t report_number = 0;
    uint8_t report_type = 0;
    std::vector<uint8_t> data;
};

class VirtualHidDevice {
  public:
    // Opens /dev/uhid and creates the device. Returns null with a reason in `error` when
    // /dev/uhid cannot be opened or the kernel refuses the identity.
    static std::unique_ptr<VirtualHidDevice> create(const Identity &identity, std::string &error);
    ~VirtualHidDevice(); // destroys the kernel device
    VirtualHidDevice(const VirtualHidDevice &) = delete;
    VirtualHidDevice &operator=(const VirtualHidDevice &) = delete;

    // UHID_DESTROY now (the board is unplugged); idempotent.
    bool destroy();
    // "/dev/hidrawN", or "" if it did not appear within timeout_ms.
    std::string hidraw_node(int timeout_ms = 2000) const;
    bool send_input(const uint8_t *data, size_t length);
    // Waits at most timeout_ms for the next event; false on time-out or error.
    bool next_event(Event &event, int timeout_ms);
    bool reply_get_report(uint32_t id, uint16_t error, const uint8_t *data, size_t length);
    bool reply_set_report(uint32_t id, uint16_t error);
    int fd() const;

    const Identity &identity() const { return identity_; }
    // Why the last failed call failed (with the system's error text); empty after a time-out
    // of next_event.
    const std::string &last_error() const { return last_error_; }

  private:
    VirtualHidDevice(int fd, Identity identity);
    bool write_event(const void *event, size_t length, const char *what);

    int fd_ = -1;
    Identity identity_;
    std::string last_error_;
};

} // namespace panelink::uhid
