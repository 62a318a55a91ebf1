// What sysfs tells about hidraw interfaces: the nodes present, and per node its HID identity,
// its USB interface and device (when it has them) and where its report descriptor lives.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace panelink::platform::hidraw {

// Reads a whole sysfs attribute (at most 64 KiB). False with `error` set to the errno value
// when it cannot be read.
bool read_file(const std::string &path, std::string &out, int &error);

// An attribute's text without the line break sysfs ends it with.
std::string_view attribute_text(std::string_view contents);

// The value of `key` in a uevent file ("KEY=value" lines). False when the key is absent.
bool uevent_value(std::string_view uevent, std::string_view key, std::string &out);

// HID_ID: "bus:vendor:product" in hex, e.g. "0003:000012DA:00000910".
struct HidId {
    uint16_t bus = 0;
    uint16_t vendor = 0;
    uint16_t product = 0;
};
bool parse_hid_id(std::string_view text, HidId &out);

// A hex number as sysfs writes bInterfaceNumber and bcdDevice ("01", "0110"), up to 0xFFFF.
bool parse_hex16(std::string_view text, uint16_t &out);

// The hidraw node names under <sysfs root>/class/hidraw in numeric order (hidraw2 before
// hidraw10). An absent class folder means no hidraw node; an absent <sysfs root>/class, or a
// folder that cannot be read, fails with `error` set.
bool list_hidraw_nodes(const std::string &sysfs_root, std::vector<std::string> &out, int &error);

// The interface number at the end of a HID_PHYS text, as usbhid writes it ("usb-0000:00:14.0-2/
// input1") and other transports may: a trailing "/input" and 1 to 3 decimal digits, up to 255.
bool parse_phys_interface_number(std::string_view phys, uint8_t &out);

// One hidraw interface as sysfs describes it.
struct InterfaceInfo {
    HidId id;
    std::string hid_name;         // HID_NAME
    std::string hid_uniq;         // HID_UNIQ (empty when the device has none)
    std::string hid_device_dir;   // the HID device: uevent, report_descriptor
    bool usb = false;             // the HID device sits on a USB interface
    bool interface_known = false; // interface_number holds a number
    uint8_t interface_number = 0; // bInterfaceNumber for USB, else from HID_PHYS
    std::string usb_device_dir;   // the USB device: manufacturer, product, serial, bcdDevice
};

// Reads <sysfs root>/class/hidraw/<node>/device/uevent and finds the USB interface above the
// HID device; without one, the interface number comes from HID_PHYS when it ends in one. False with
// `error` set when the uevent cannot be read or has no valid HID_ID.
bool read_interface_info(const std::string &sysfs_root, std::string_view node, InterfaceInfo &out,
                         int &error);

// The interface path the walk reports: "<dev root>/<node>#vid_12da&pid_0910&mi_01" (lower-case
// hex; the "&mi_NN" part whenever the interface number is known).
std::string interface_path(const std::string &dev_root, std::string_view node,
                           const InterfaceInfo &info);

// The device node named by an interface path: the part before the last '#', where the identity
// suffix starts (a folder or node name may hold a '#' of its own).
std::string_view node_path_of(std::string_view interface_path);

} // namespace panelink::platform::hidraw
