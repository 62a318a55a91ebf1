// Why this user cannot create boards through /dev/uhid, and what grants it, in words the window
// shows: the module is not loaded, or the device file belongs to a group the user is not in.
#pragma once

#include <optional>
#include <string>

namespace panelink::virtualboard {

// The file of the opt-in udev rule that gives /dev/uhid to the group below.
constexpr const char *kUhidRuleFile = "72-panelink-uhid.rules";
constexpr const char *kUhidGroup = "panelink-uhid";

// Nothing when `path` can be opened for reading and writing; otherwise the reason and the
// steps that grant access.
std::optional<std::string> uhid_access_problem(const std::string &path = "/dev/uhid");

} // namespace panelink::virtualboard
