// The hidraw backend: HID interfaces of Linux, found in sysfs and reached through /dev/hidraw*.
#pragma once

#include <memory>
#include <string>

#include "backends/platform.h"

namespace panelink::platform::hidraw {

// Where the backend looks: the sysfs root (holding class/hidraw) and the folder of the device
// nodes. Normally /sys and /dev; tests point them at a fake tree.
struct Roots {
    std::string sysfs;
    std::string dev;
};

// PANELINK_SYSFS_ROOT and PANELINK_DEV_ROOT, or /sys and /dev when unset or empty.
Roots roots_from_environment();

// A backend over fixed roots.
std::unique_ptr<Backend> make_backend(Roots roots);

} // namespace panelink::platform::hidraw
