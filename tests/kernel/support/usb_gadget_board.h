// Test support: a board as a real USB HID device, made with the kernel's USB gadget framework on
// the dummy_hcd virtual controller. The host side of the same kernel sees a USB device (with its
// vendor and product ids, bcdDevice, texts and interface numbers in sysfs) whose HID interfaces
// usbhid serves as /dev/hidrawN nodes. Output reports written there travel as interrupt OUT
// transfers, which the kernel hands over synchronously: a hidraw write() returns once the board
// has taken the report, and after usbhid's 5 s time-out (ETIMEDOUT) when it never does. The board
// side holds a few reports (four per interface) before it stops taking more.
//
//     std::string error;
//     auto board = UsbGadgetBoard::create(identity, {{descriptor}}, error);
//     int fd = open(board->hidraw_node(0).c_str(), O_RDWR);
//     board->write_input(0, report, 1000, error);        // reaches hidraw readers
//     write(fd, output, 65);                             // returns once the board takes it
//     auto taken = board->read_output(0, 1000);          // the 64 bytes that went on the wire
//
// Needs root, and the modules dummy_hcd, libcomposite, usb_f_hid, usbhid and hid-generic
// (tests/kernel/guest --module ...); mounts configfs when it is not mounted yet. Only the standard
// library and POSIX (Linux) calls.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace panelink::test {

struct UsbGadgetIdentity {
    uint16_t vendor = 0;
    uint16_t product = 0;
    uint16_t bcd_device = 0x0100;
    // The USB string descriptors; a missing one leaves the device without that text.
    std::optional<std::string> manufacturer;
    std::optional<std::string> product_text;
    std::optional<std::string> serial;
};

struct UsbGadgetInterface {
    std::vector<uint8_t> report_descriptor;
    // Bytes of the largest report on the wire (a report ID byte included when the descriptor
    // numbers its reports); also the interrupt endpoints' packet size.
    uint16_t report_length = 64;
    // Without an interrupt OUT endpoint, output reports arrive as SET_REPORT control requests.
    bool out_endpoint = true;
};

class UsbGadgetBoard {
  public:
    // Builds the gadget (interface numbers follow the order of `interfaces`), binds it to a free
    // USB device controller and waits (up to wait_ms) until every interface has its hidraw node.
    // Returns nothing, with the reason in `error`, when any step fails.
    static std::unique_ptr<UsbGadgetBoard> create(const UsbGadgetIdentity &identity,
                                                  const std::vector<UsbGadgetInterface> &interfaces,
                                                  std::string &error, int wait_ms = 10000);
    // Removes the gadget (as remove() does).
    ~UsbGadgetBoard();
    UsbGadgetBoard(const UsbGadgetBoard &) = delete;
    UsbGadgetBoard &operator=(const UsbGadgetBoard &) = delete;

    size_t interface_count() const { return interfaces_.size(); }
    // The host side: /dev/hidrawN of an interface.
    const std::string &hidraw_node(size_t interface) const;
    // The host side's USB device folder in sysfs (idVendor, bcdDevice, manufacturer, serial...).
    const std::string &usb_device_path() const { return usb_device_path_; }
    // The board side: /dev/hidgN of an interface.
    const std::string &gadget_node(size_t interface) const;

    // Sends an input report (its bytes as on the wire) to the host, waiting up to timeout_ms for
    // the board's previous report to have been taken: the host polls only while its hidraw node
    // is open.
    bool write_input(size_t interface, std::span<const uint8_t> report, int timeout_ms,
                     std::string &error);
    // The board takes the next output report the host sent (its bytes as on the wire), waiting up
    // to timeout_ms; nothing when none came. Taking a report lets the host send one more.
    std::optional<std::vector<uint8_t>> read_output(size_t interface, int timeout_ms);
    // Takes every output report waiting now and returns how many there were.
    size_t discard_outputs(size_t interface);

    // From now on the board takes every output report as soon as it arrives (a background
    // thread), so host writes never wait; taken() hands them over, oldest first.
    void take_outputs_continuously(size_t interface);
    std::vector<std::vector<uint8_t>> taken(size_t interface);

    // Unbinds the gadget from its controller (the host sees the device unplugged: its hidraw
    // nodes go away) and deletes it from configfs. True when everything went.
    bool remove();

  private:
    struct Interface {
        std::string function_dir;
        std::string hidraw_node;
        std::string gadget_node;
        int gadget_fd = -1;
        std::thread taker;
        std::mutex taken_mutex;
        std::vector<std::vector<uint8_t>> taken;
    };

    UsbGadgetBoard() = default;
    bool build(const UsbGadgetIdentity &identity, const std::vector<UsbGadgetInterface> &interfaces,
               std::string &error);
    bool bind(std::string &error);
    bool find_host_side(const UsbGadgetIdentity &identity, int wait_ms, std::string &error);
    bool open_gadget_nodes(std::string &error);
    void stop_takers();

    std::string gadget_dir_;
    std::string udc_;
    std::string usb_device_path_;
    std::vector<std::unique_ptr<Interface>> interfaces_;
    std::vector<std::string> created_; // configfs entries to delete, in creation order
    std::atomic<bool> stopping_{false};
};

} // namespace panelink::test
