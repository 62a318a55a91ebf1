#include "backends/hidraw/board_arrival.h"

#include "backends/hidraw/device.h"
#include "backends/hidraw/errors.h"
#include "backends/hidraw/text.h"

namespace panelink::platform::hidraw {
namespace {

std::wstring wide_text(std::string_view utf8) {
    wchar_t text[kDeviceTextChars];
    utf8_to_device_text(utf8, text);
    return text;
}

// The attributes sysfs gives without the node: vendor and product from HID_ID, the version from
// the USB device when there is one.
Attributes sysfs_attributes(const InterfaceInfo &info) {
    Attributes attributes;
    attributes.vendor_id = info.id.vendor;
    attributes.product_id = info.id.product;
    std::string bcd;
    int ignored = 0;
    if (info.usb && read_file(info.usb_device_dir + "/bcdDevice", bcd, ignored))
        parse_hex16(attribute_text(bcd), attributes.version_number);
    return attributes;
}

} // namespace

bool accept_node(const Roots &roots, const std::string &node, BoardFilter filter,
                 AcceptedNode &out) {
    int error = 0;
    if (!read_interface_info(roots.sysfs, node, out.info, error))
        return false;
    if (filter != nullptr && !filter(out.info.id.vendor, out.info.id.product))
        return false;
    out.path = interface_path(roots.dev, node, out.info);
    return true;
}

bool open_arrival(const Roots &roots, const AcceptedNode &node, BoardArrival &out) {
    out = BoardArrival{};
    out.path = node.path;
    const std::unique_ptr<Device> device = open_device(node.path, roots.sysfs);
    if (device == nullptr) {
        out.opened = false;
        out.error = last_error();
        out.attributes = sysfs_attributes(node.info);
        out.serial = wide_text(node.info.hid_uniq);
        return false;
    }
    if (!device->attributes(out.attributes))
        out.attributes = sysfs_attributes(node.info);
    wchar_t serial[kDeviceTextChars];
    if (device->text(DeviceText::SerialNumber, serial))
        out.serial = serial;
    return true;
}

bool present_boards(const Roots &roots, BoardFilter filter, std::vector<BoardArrival> &present,
                    std::map<std::string, std::string> &reported, int &error) {
    std::vector<std::string> nodes;
    if (!list_hidraw_nodes(roots.sysfs, nodes, error))
        return false;
    present.clear();
    reported.clear();
    for (const std::string &name : nodes) {
        AcceptedNode node;
        if (!accept_node(roots, name, filter, node))
            continue;
        BoardArrival arrival;
        open_arrival(roots, node, arrival);
        present.push_back(std::move(arrival));
        reported[name] = node.path;
    }
    return true;
}

} // namespace panelink::platform::hidraw
