#include "backends/hidraw/sysfs.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace panelink::platform::hidraw {
namespace {

constexpr size_t kMaxAttributeBytes = size_t{64} * 1024;

bool parse_hex(std::string_view text, uint32_t max, uint32_t &out) {
    if (text.empty())
        return false;
    uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size() || value > max)
        return false;
    out = value;
    return true;
}

std::string parent_of(const std::string &path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Splits "hidraw12" into its name part and number, so nodes sort as the kernel numbers them.
struct NodeKey {
    std::string_view stem;
    unsigned long number;
    bool has_number;
};

NodeKey key_of(std::string_view name) {
    size_t digits = name.size();
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
        --digits;
    NodeKey key{name.substr(0, digits), 0, digits < name.size()};
    if (key.has_number) {
        const auto [end, ec] =
            std::from_chars(name.data() + digits, name.data() + name.size(), key.number);
        if (ec != std::errc())
            key.number = ULONG_MAX;
    }
    return key;
}

bool node_before(const std::string &a, const std::string &b) {
    const NodeKey ka = key_of(a);
    const NodeKey kb = key_of(b);
    if (ka.stem != kb.stem)
        return ka.stem < kb.stem;
    if (ka.has_number != kb.has_number)
        return !ka.has_number;
    if (ka.number != kb.number)
        return ka.number < kb.number;
    return a < b;
}

} // namespace

bool read_file(const std::string &path, std::string &out, int &error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    out.clear();
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno;
            ::close(fd);
            return false;
        }
        if (got == 0)
            break;
        out.append(chunk, static_cast<size_t>(got));
        if (out.size() > kMaxAttributeBytes) {
            ::close(fd);
            error = EFBIG;
            return false;
        }
    }
    ::close(fd);
    return true;
}

std::string_view attribute_text(std::string_view contents) {
    if (!contents.empty() && contents.back() == '\n')
        contents.remove_suffix(1);
    return contents;
}

bool uevent_value(std::string_view uevent, std::string_view key, std::string &out) {
    while (!uevent.empty()) {
        const size_t end = uevent.find('\n');
        const std::string_view line = uevent.substr(0, end);
        if (line.size() > key.size() && line.substr(0, key.size()) == key &&
            line[key.size()] == '=') {
            out.assign(line.substr(key.size() + 1));
            return true;
        }
        if (end == std::string_view::npos)
            break;
        uevent.remove_prefix(end + 1);
    }
    return false;
}

bool parse_hid_id(std::string_view text, HidId &out) {
    const size_t first = text.find(':');
    if (first == std::string_view::npos)
        return false;
    const size_t second = text.find(':', first + 1);
    if (second == std::string_view::npos)
        return false;
    uint32_t bus = 0, vendor = 0, product = 0;
    if (!parse_hex(text.substr(0, first), 0xFFFF, bus) ||
        !parse_hex(text.substr(first + 1, second - first - 1), 0xFFFF, vendor) ||
        !parse_hex(text.substr(second + 1), 0xFFFF, product))
        return false;
    out.bus = static_cast<uint16_t>(bus);
    out.vendor = static_cast<uint16_t>(vendor);
    out.product = static_cast<uint16_t>(product);
    return true;
}

bool parse_hex16(std::string_view text, uint16_t &out) {
    uint32_t value = 0;
    if (!parse_hex(text, 0xFFFF, value))
        return false;
    out = static_cast<uint16_t>(value);
    return true;
}

bool parse_phys_interface_number(std::string_view phys, uint8_t &out) {
    constexpr std::string_view kMarker = "/input";
    const size_t marker = phys.rfind(kMarker);
    if (marker == std::string_view::npos)
        return false;
    const std::string_view digits = phys.substr(marker + kMarker.size());
    if (digits.empty() || digits.size() > 3)
        return false;
    unsigned value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 0xFF)
        return false;
    out = static_cast<uint8_t>(value);
    return true;
}

bool list_hidraw_nodes(const std::string &sysfs_root, std::vector<std::string> &out, int &error) {
    out.clear();
    struct stat class_stat {};
    if (::stat((sysfs_root + "/class").c_str(), &class_stat) != 0) {
        error = errno;
        return false;
    }
    DIR *dir = ::opendir((sysfs_root + "/class/hidraw").c_str());
    if (dir == nullptr) {
        if (errno == ENOENT)
            return true; // hidraw not loaded: no interface at all
        error = errno;
        return false;
    }
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            out.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(), node_before);
    return true;
}

bool read_interface_info(const std::string &sysfs_root, std::string_view node, InterfaceInfo &out,
                         int &error) {
    out = InterfaceInfo{};
    const std::string device_link = sysfs_root + "/class/hidraw/" + std::string(node) + "/device";
    char *resolved = ::realpath(device_link.c_str(), nullptr);
    if (resolved == nullptr) {
        error = errno;
        return false;
    }
    out.hid_device_dir = resolved;
    std::free(resolved);

    std::string uevent;
    if (!read_file(out.hid_device_dir + "/uevent", uevent, error))
        return false;
    std::string hid_id;
    if (!uevent_value(uevent, "HID_ID", hid_id) || !parse_hid_id(hid_id, out.id)) {
        error = EINVAL;
        return false;
    }
    uevent_value(uevent, "HID_NAME", out.hid_name);
    uevent_value(uevent, "HID_UNIQ", out.hid_uniq);
    std::string phys;
    if (uevent_value(uevent, "HID_PHYS", phys))
        out.interface_known = parse_phys_interface_number(phys, out.interface_number);

    // A USB HID device sits in its USB interface's folder, which sits in the USB device's.
    const std::string usb_interface_dir = parent_of(out.hid_device_dir);
    std::string number_text;
    int ignored = 0;
    uint16_t number = 0;
    if (read_file(usb_interface_dir + "/bInterfaceNumber", number_text, ignored) &&
        parse_hex16(attribute_text(number_text), number) && number <= 0xFF) {
        out.usb = true;
        out.interface_known = true;
        out.interface_number = static_cast<uint8_t>(number);
        out.usb_device_dir = parent_of(usb_interface_dir);
    }
    return true;
}

std::string interface_path(const std::string &dev_root, std::string_view node,
                           const InterfaceInfo &info) {
    char suffix[40];
    int length =
        std::snprintf(suffix, sizeof suffix, "#vid_%04x&pid_%04x", info.id.vendor, info.id.product);
    if (info.interface_known)
        std::snprintf(suffix + length, sizeof suffix - static_cast<size_t>(length), "&mi_%02x",
                      info.interface_number);
    return dev_root + "/" + std::string(node) + suffix;
}

std::string_view node_path_of(std::string_view interface_path) {
    return interface_path.substr(0, interface_path.rfind('#'));
}

} // namespace panelink::platform::hidraw
