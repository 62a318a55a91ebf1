// One open hidraw interface: the device node for I/O, sysfs for its identity and descriptor.
#pragma once

#include <memory>
#include <string>

#include "backends/platform.h"

namespace panelink::platform::hidraw {

// Opens the node of `interface_path` (the part before its last '#') for reading and writing,
// without blocking, and gathers what sysfs under `sysfs_root` says about it. Null with the last
// error set to errno when the node cannot be opened. A node that sysfs does not describe opens, but
// its attribute and text requests fail and it has no collection.
std::unique_ptr<Device> open_device(const std::string &interface_path,
                                    const std::string &sysfs_root);

} // namespace panelink::platform::hidraw
