// What a board watch reports of one hidraw node: its identity from sysfs, asked of the filter
// before anything is opened, then what opening it tells (or sysfs alone when it does not open).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "backends/hidraw/backend.h"
#include "backends/hidraw/sysfs.h"
#include "backends/platform.h"

namespace panelink::platform::hidraw {

// A node sysfs describes and the filter accepts, not opened yet.
struct AcceptedNode {
    std::string path; // the interface path, as the walk gives it
    InterfaceInfo info;
};

// False when sysfs does not describe `node` (gone already, not a HID device) or the filter
// refuses its vendor and product.
bool accept_node(const Roots &roots, const std::string &node, BoardFilter filter,
                 AcceptedNode &out);

// Opens the node for read + write and describes it with the device's attributes and serial
// number. When it does not open, the arrival comes from sysfs (HID_ID, HID_UNIQ) with opened
// false and the errno value in `error`; the result is false then.
bool open_arrival(const Roots &roots, const AcceptedNode &node, BoardArrival &out);

// Every accepted node present now, opened, in node order; `reported` maps each one's node name to
// its path. False with `error` set when the nodes cannot be listed.
bool present_boards(const Roots &roots, BoardFilter filter, std::vector<BoardArrival> &present,
                    std::map<std::string, std::string> &reported, int &error);

} // namespace panelink::platform::hidraw
