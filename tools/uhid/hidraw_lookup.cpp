#include "hidraw_lookup.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>
#include <vector>

namespace panelink::uhid {
namespace {

// The value of `key` in KEY=value lines, or nothing when the key is absent.
bool uevent_value(std::string_view uevent, std::string_view key, std::string_view &value) {
    while (!uevent.empty()) {
        const size_t end = uevent.find('\n');
        const std::string_view line = uevent.substr(0, end);
        if (line.size() > key.size() && line.substr(0, key.size()) == key &&
            line[key.size()] == '=') {
            value = line.substr(key.size() + 1);
            return true;
        }
        if (end == std::string_view::npos) {
            break;
        }
        uevent.remove_prefix(end + 1);
    }
    return false;
}

bool read_text(const std::filesystem::path &path, std::string &out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

} // namespace

bool uevent_matches(std::string_view uevent, std::string_view phys, std::string_view uniq) {
    if (phys.empty() && uniq.empty()) {
        return false;
    }
    std::string_view value;
    if (!phys.empty() && (!uevent_value(uevent, "HID_PHYS", value) || value != phys)) {
        return false;
    }
    if (!uniq.empty() && (!uevent_value(uevent, "HID_UNIQ", value) || value != uniq)) {
        return false;
    }
    return true;
}

std::string find_hidraw_node(const std::string &sysfs_root, const std::string &dev_root,
                             std::string_view phys, std::string_view uniq) {
    namespace fs = std::filesystem;
    // Iterated with error codes: a folder that vanishes mid-walk (a device being removed) ends
    // the look instead of throwing.
    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(fs::path(sysfs_root) / "class" / "hidraw", ec), end;
         !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    // Sorted, so that the same tree always gives the same answer.
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        std::string uevent;
        if (!read_text(fs::path(sysfs_root) / "class" / "hidraw" / name / "device" / "uevent",
                       uevent) ||
            !uevent_matches(uevent, phys, uniq)) {
            continue;
        }
        const fs::path node = fs::path(dev_root) / name;
        if (fs::exists(node, ec)) {
            return node.string();
        }
    }
    return {};
}

std::string wait_for_hidraw_node(const std::string &sysfs_root, const std::string &dev_root,
                                 std::string_view phys, std::string_view uniq, int timeout_ms) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        std::string node = find_hidraw_node(sysfs_root, dev_root, phys, uniq);
        if (!node.empty() || Clock::now() >= deadline) {
            return node;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace panelink::uhid
