#include "uhid_access.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace panelink::virtualboard {
namespace {

std::string group_name(gid_t gid) {
    const group *entry = ::getgrgid(gid);
    return entry != nullptr ? entry->gr_name : std::to_string(gid);
}

std::string grant_steps(const std::string &path) {
    return std::string("To let your user create virtual boards, install the opt-in udev rule ") +
           kUhidRuleFile +
           " (shipped with panelink; see the README, \"Virtual boards without "
           "root\"), which gives " +
           path + " to the group " + kUhidGroup + ", then as root: groupadd -f " + kUhidGroup +
           "; usermod -aG " + kUhidGroup +
           " $USER; udevadm control --reload-rules; udevadm trigger " + path +
           "; and log in again. Or run virtualboard as root. Beware: whoever may open " + path +
           " can create any input device, a keyboard included.";
}

} // namespace

std::optional<std::string> uhid_access_problem(const std::string &path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return path + " does not exist (" + std::strerror(errno) +
               "): the kernel's uhid module is not loaded. Load it as root with "
               "\"modprobe uhid\" (add \"uhid\" to /etc/modules-load.d/ to load it at every "
               "start).";
    }
    if (::access(path.c_str(), R_OK | W_OK) == 0) {
        return std::nullopt;
    }
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
    return "You may not open " + path + " (" + std::strerror(errno) + "; it belongs to group " +
           group_name(info.st_gid) + " with mode " + mode + "). " + grant_steps(path);
}

} // namespace panelink::virtualboard
