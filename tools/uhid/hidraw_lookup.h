// Finding the hidraw node the kernel made for a HID device, by the physical path and serial
// number it was created with. The sysfs and device roots are parameters so the walk can run over
// a prepared tree.
#pragma once

#include <string>
#include <string_view>

namespace panelink::uhid {

// True when a HID device's uevent text carries HID_PHYS equal to `phys` and HID_UNIQ equal to
// `uniq`; an empty `phys` or `uniq` is not compared. Both empty never match.
bool uevent_matches(std::string_view uevent, std::string_view phys, std::string_view uniq);

// One look over `sysfs_root`/class/hidraw/*/device/uevent: the node `dev_root`/hidrawN of the
// first matching device whose node exists, or "" when there is none (yet).
std::string find_hidraw_node(const std::string &sysfs_root, const std::string &dev_root,
                             std::string_view phys, std::string_view uniq);

// Looks again every 10 ms until a node is found or `timeout_ms` has passed.
std::string wait_for_hidraw_node(const std::string &sysfs_root, const std::string &dev_root,
                                 std::string_view phys, std::string_view uniq, int timeout_ms);

} // namespace panelink::uhid
