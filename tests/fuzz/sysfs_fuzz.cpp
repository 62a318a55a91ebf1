// Fuzz target: what the hidraw backend reads from sysfs, as text of any shape. Each input lays out
// one or two hidraw interfaces in a fake sysfs tree and device folder in a temporary folder (the
// HID device's uevent and report_descriptor, the USB interface's bInterfaceNumber, the USB
// device's bcdDevice, manufacturer, product and serial, the node names, a FIFO as device node)
// and runs them through the code the library runs on a real system:
//   - DetectHID over the tree (PANELINK_SYSFS_ROOT / PANELINK_DEV_ROOT): the walk, opening each
//     node, its attributes and texts, the records; every handle closed again, no descriptor left;
//   - the backend's walk and open directly, each answer compared with what the files say: the
//     identity from HID_ID, the interface number from bInterfaceNumber or HID_PHYS, the version
//     from bcdDevice, the texts (UTF-8 of any validity) and an input report read from the node;
//   - the parsing helpers against small independent readings of the same text.
//
// Input layout: byte 0 global flags (bit 0: a second interface; bits 1-3: the detection mode;
// bit 4: the first interface's class/hidraw link leads nowhere; bit 5: it has no uevent file),
// then per interface a flags byte (bit 0 USB parent, bit 1 device node present, bit 2
// report_descriptor, bit 3 manufacturer, bit 4 product, bit 5 serial, bit 6 bInterfaceNumber,
// bit 7 bcdDevice) and nine fields, each a 16-bit little-endian length and its bytes: node name,
// uevent, bInterfaceNumber, bcdDevice, manufacturer, product, serial, report_descriptor, and the
// input report the board side writes to the node. Missing bytes read as empty fields.
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <panelink/panelink.h>

#include "backends/hidraw/backend.h"
#include "backends/hidraw/sysfs.h"
#include "backends/hidraw/text.h"
#include "backends/platform.h"
#include "handle_table.h"
#include "support/open_descriptors.h"

#define REQUIRE(condition)                                                                         \
    do {                                                                                           \
        if (!(condition))                                                                          \
            __builtin_trap();                                                                      \
    } while (0)

namespace {

namespace fs = std::filesystem;
namespace hidraw = panelink::platform::hidraw;
using panelink::platform::DeviceText;
using panelink::platform::kDeviceTextChars;
using panelink::test::open_descriptors;

constexpr size_t kMaxNodeName = 64;

class Reader {
  public:
    Reader(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string field() {
        const size_t low = byte();
        const size_t length = std::min(low | (size_t{byte()} << 8), size_ - pos_);
        std::string out(reinterpret_cast<const char *>(data_ + pos_), length);
        pos_ += length;
        return out;
    }

  private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

struct Interface {
    uint8_t flags = 0;
    std::string node, uevent, interface_number, bcd_device, manufacturer, product, serial,
        descriptor, input_report;
    bool dangling_link = false; // class/hidraw/<node> leads to no folder
    bool no_uevent = false;
    bool usb() const { return (flags & 0x01) != 0; }
    bool has_node() const { return (flags & 0x02) != 0; }
    bool has(int bit) const { return (flags & (1u << bit)) != 0; }
};

// The temporary folder of the tree, made once and removed when the process ends.
class Root {
  public:
    Root() {
        // The tree is rebuilt for every input: on the memory file system when there is one.
        const char *tmp = std::getenv("TMPDIR");
        const std::string parent = access("/dev/shm", W_OK) == 0    ? "/dev/shm"
                                   : tmp != nullptr && *tmp != '\0' ? tmp
                                                                    : "/tmp";
        std::string pattern = parent + "/panelink-sysfs-XXXXXX";
        REQUIRE(mkdtemp(pattern.data()) != nullptr);
        path_ = pattern;
        // The library's own lookups go to the tree too, and to the hidraw backend.
        setenv("PANELINK_SYSFS_ROOT", sysfs().c_str(), 1);
        setenv("PANELINK_DEV_ROOT", dev().c_str(), 1);
        setenv("PANELINK_LOG_DIR", path_.c_str(), 1);
        unsetenv("PANELINK_SIMULATE");
    }
    ~Root() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    Root(const Root &) = delete;
    Root &operator=(const Root &) = delete;
    std::string sysfs() const { return path_ + "/sys"; }
    std::string dev() const { return path_ + "/dev"; }

  private:
    std::string path_;
};

Root &root() {
    static Root instance;
    return instance;
}

void write_file(const fs::path &path, const std::string &contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

// A node name the file system takes: no '/' or NUL, no leading '.', not too long, and unlike
// the names before it.
std::string node_name(std::string name, const std::vector<Interface> &before) {
    name.resize(std::min(name.size(), kMaxNodeName));
    std::replace(name.begin(), name.end(), '/', '_');
    std::replace(name.begin(), name.end(), '\0', '_');
    if (name.empty() || name[0] == '.') // the kernel names no node so; the walk skips them
        name = "hidraw" + name;
    for (const Interface &other : before)
        if (other.node == name)
            name += "x";
    return name;
}

// Lays out interface `i` as the kernel does: the HID device in its USB interface in its USB
// device (or among the virtual devices), class/hidraw/<node> leading to its hidraw folder, whose
// "device" link leads back to the HID device.
void lay_out(const Interface &iface, size_t i) {
    const std::string number = std::to_string(i);
    const fs::path usb_device = root().sysfs() + "/devices/usb1/1-" + number;
    const fs::path parent = iface.usb()
                                ? usb_device / ("1-" + number + ":1.0")
                                : fs::path(root().sysfs() + "/devices/virtual" + number + "/uhid");
    const fs::path hid = parent / ("0003:12DA:0910.000" + number);
    fs::create_directories(hid / "hidraw" / iface.node);
    if (!iface.no_uevent)
        write_file(hid / "uevent", iface.uevent);
    if (iface.has(2))
        write_file(hid / "report_descriptor", iface.descriptor);
    if (iface.has(6))
        write_file(parent / "bInterfaceNumber", iface.interface_number);
    const fs::path above = iface.usb() ? usb_device : parent.parent_path();
    if (iface.has(7))
        write_file(above / "bcdDevice", iface.bcd_device);
    if (iface.has(3))
        write_file(above / "manufacturer", iface.manufacturer);
    if (iface.has(4))
        write_file(above / "product", iface.product);
    if (iface.has(5))
        write_file(above / "serial", iface.serial);
    fs::create_directory_symlink("../..", hid / "hidraw" / iface.node / "device");
    fs::create_directory_symlink(iface.dangling_link ? hid / "gone" : hid / "hidraw" / iface.node,
                                 root().sysfs() + "/class/hidraw/" + iface.node);
    if (iface.has_node())
        REQUIRE(mkfifo((root().dev() + "/" + iface.node).c_str(), 0600) == 0);
}

// ---------------------------------------------------------------------------------------------
// Independent readings of the texts

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Hex digits only, at least one, value at most 0xFFFF (leading zeros allowed).
bool hex16(std::string_view text, uint16_t &out) {
    if (text.empty())
        return false;
    uint32_t value = 0;
    for (const char c : text) {
        const int digit = hex_digit(c);
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<uint32_t>(digit);
        if (value > 0xFFFF)
            return false;
    }
    out = static_cast<uint16_t>(value);
    return true;
}

std::string_view without_line_break(std::string_view text) {
    return !text.empty() && text.back() == '\n' ? text.substr(0, text.size() - 1) : text;
}

// The value of the first "KEY=" line.
bool key_value(const std::string &uevent, const std::string &key, std::string &out) {
    const std::string wanted = key + "=";
    size_t start = 0;
    while (start <= uevent.size()) {
        size_t end = uevent.find('\n', start);
        if (end == std::string::npos)
            end = uevent.size();
        if (uevent.compare(start, wanted.size(), wanted) == 0 && end - start >= wanted.size()) {
            out = uevent.substr(start + wanted.size(), end - start - wanted.size());
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool hid_id(const std::string &text, hidraw::HidId &out) {
    const size_t a = text.find(':');
    const size_t b = a == std::string::npos ? a : text.find(':', a + 1);
    if (b == std::string::npos)
        return false;
    return hex16(std::string_view(text).substr(0, a), out.bus) &&
           hex16(std::string_view(text).substr(a + 1, b - a - 1), out.vendor) &&
           hex16(std::string_view(text).substr(b + 1), out.product);
}

bool phys_number(const std::string &phys, uint8_t &out) {
    const size_t marker = phys.rfind("/input");
    if (marker == std::string::npos)
        return false;
    const std::string digits = phys.substr(marker + 6);
    if (digits.empty() || digits.size() > 3 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int value = std::stoi(digits);
    if (value > 255)
        return false;
    out = static_cast<uint8_t>(value);
    return true;
}

// Decoded UTF-8: terminated, at most one character per byte and kDeviceTextChars - 1 in all,
// each a Unicode scalar value; pure ASCII comes through unchanged.
void check_decoded(std::string_view utf8, const wchar_t (&text)[kDeviceTextChars]) {
    const size_t length = std::wcslen(text);
    REQUIRE(length < kDeviceTextChars && length <= utf8.size());
    for (size_t i = 0; i < length; ++i) {
        const auto c = static_cast<uint32_t>(text[i]);
        REQUIRE(c != 0 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF));
    }
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; })) {
        const size_t expected = std::min(utf8.find('\0'), kDeviceTextChars - 1);
        REQUIRE(length == std::min(expected, utf8.size()));
        for (size_t i = 0; i < length; ++i)
            REQUIRE(text[i] == static_cast<wchar_t>(utf8[i]));
    }
}

void check_parsers(const Interface &iface) {
    uint16_t mine = 0, theirs = 0;
    const std::string_view number = without_line_break(iface.interface_number);
    REQUIRE(hidraw::attribute_text(iface.interface_number) == number);
    const bool parsed = hidraw::parse_hex16(number, theirs);
    REQUIRE(parsed == hex16(number, mine));
    REQUIRE(!parsed || mine == theirs);

    std::string value_mine, value_theirs;
    const bool found = hidraw::uevent_value(iface.uevent, "HID_ID", value_theirs);
    REQUIRE(found == key_value(iface.uevent, "HID_ID", value_mine));
    REQUIRE(!found || value_mine == value_theirs);
    hidraw::HidId id_mine, id_theirs;
    const bool id_parsed = hidraw::parse_hid_id(value_theirs, id_theirs);
    REQUIRE(id_parsed == hid_id(value_theirs, id_mine));
    REQUIRE(!id_parsed || (id_mine.bus == id_theirs.bus && id_mine.vendor == id_theirs.vendor &&
                           id_mine.product == id_theirs.product));

    uint8_t phys_mine = 0, phys_theirs = 0;
    const bool phys_parsed = hidraw::parse_phys_interface_number(iface.uevent, phys_theirs);
    REQUIRE(phys_parsed == phys_number(iface.uevent, phys_mine));
    REQUIRE(!phys_parsed || phys_mine == phys_theirs);

    for (const std::string *text : {&iface.manufacturer, &iface.product, &iface.serial}) {
        wchar_t decoded[kDeviceTextChars];
        hidraw::utf8_to_device_text(*text, decoded);
        check_decoded(*text, decoded);
    }
}

// ---------------------------------------------------------------------------------------------
// The backend over the tree

// What the interface's files say, read the way a person would read them.
struct Expected {
    bool valid = false; // uevent has a HID_ID that parses
    hidraw::HidId id;
    bool usb = false;
    bool interface_known = false;
    uint8_t interface_number = 0;
    std::string hid_name, hid_uniq;
};

Expected expected_of(const Interface &iface) {
    Expected e;
    std::string text;
    e.valid = !iface.dangling_link && !iface.no_uevent && key_value(iface.uevent, "HID_ID", text) &&
              hid_id(text, e.id);
    key_value(iface.uevent, "HID_NAME", e.hid_name);
    key_value(iface.uevent, "HID_UNIQ", e.hid_uniq);
    std::string phys;
    if (key_value(iface.uevent, "HID_PHYS", phys))
        e.interface_known = phys_number(phys, e.interface_number);
    uint16_t number = 0;
    if (iface.has(6) && hex16(without_line_break(iface.interface_number), number) &&
        number <= 0xFF) {
        e.usb = true;
        e.interface_known = true;
        e.interface_number = static_cast<uint8_t>(number);
    }
    return e;
}

void check_text(panelink::platform::Device &device, const Interface &iface, const Expected &e,
                DeviceText which, bool file_present, const std::string &file) {
    wchar_t text[kDeviceTextChars];
    std::wmemset(text, L'?', kDeviceTextChars);
    const bool got = device.text(which, text);
    std::string_view source;
    bool expected = false;
    if (e.usb) {
        expected = file_present;
        source = without_line_break(file);
    } else if (which == DeviceText::Product) {
        expected = !e.hid_name.empty();
        source = e.hid_name;
    } else if (which == DeviceText::SerialNumber) {
        expected = !e.hid_uniq.empty();
        source = e.hid_uniq;
    }
    (void)iface;
    REQUIRE(got == expected);
    if (!got)
        return;
    wchar_t decoded[kDeviceTextChars];
    hidraw::utf8_to_device_text(source, decoded);
    REQUIRE(std::wcscmp(text, decoded) == 0);
    check_decoded(source, text);
}

// The input report the board side writes comes out of a read padded to the asked length, with a
// 0 report ID byte in front when the descriptor's input reports carry none.
void check_read(panelink::platform::Device &device, const Interface &iface) {
    const int board =
        open((root().dev() + "/" + iface.node).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    REQUIRE(board >= 0);
    const panelink::hid::Collection *collection = device.collection();
    size_t length = collection != nullptr ? collection->input_report_byte_length : 65;
    length = std::clamp<size_t>(length, 2, panelink::platform::kMaxInputReport);
    const std::string sent = iface.input_report.substr(0, length - 1);
    if (!sent.empty())
        REQUIRE(write(board, sent.data(), sent.size()) == static_cast<ssize_t>(sent.size()));

    uint8_t buffer[panelink::platform::kMaxInputReport];
    std::memset(buffer, 0xEE, sizeof buffer);
    panelink::platform::InputRead read;
    read.buffer = buffer;
    read.length = length;
    REQUIRE(device.start_read(read));
    const panelink::platform::WaitResult result = device.wait_read(read, 0);
    if (sent.empty()) {
        REQUIRE(result == panelink::platform::WaitResult::TimedOut);
        device.cancel_read(read);
    } else {
        REQUIRE(result == panelink::platform::WaitResult::Completed);
        REQUIRE(read.transferred == length);
        const bool as_sent =
            std::memcmp(buffer, sent.data(), sent.size()) == 0 &&
            std::all_of(buffer + sent.size(), buffer + length, [](uint8_t b) { return b == 0; });
        const bool behind_id = buffer[0] == 0 &&
                               std::memcmp(buffer + 1, sent.data(), sent.size()) == 0 &&
                               std::all_of(buffer + 1 + sent.size(), buffer + length,
                                           [](uint8_t b) { return b == 0; });
        REQUIRE(as_sent || behind_id);
        REQUIRE(std::all_of(buffer + length, buffer + sizeof buffer,
                            [](uint8_t b) { return b == 0xEE; }));
    }
    close(board);
}

void check_backend(const std::vector<Interface> &interfaces) {
    static const std::unique_ptr<panelink::platform::Backend> backend =
        hidraw::make_backend({root().sysfs(), root().dev()});
    REQUIRE(backend->begin_walk());
    // The walk finds every node: a path for each whose uevent names a device, a failed detail for
    // the others.
    std::vector<std::string> walked;
    size_t failed = 0;
    for (uint32_t index = 0;; ++index) {
        std::string path;
        const panelink::platform::WalkStep step = backend->walk_interface(index, path);
        if (step == panelink::platform::WalkStep::End)
            break;
        REQUIRE(index < interfaces.size());
        if (step == panelink::platform::WalkStep::Found)
            walked.push_back(path);
        else
            ++failed;
    }
    REQUIRE(walked.size() + failed == interfaces.size());
    backend->end_walk();

    for (size_t i = 0; i < interfaces.size(); ++i) {
        const Interface &iface = interfaces[i];
        const Expected e = expected_of(iface);

        hidraw::InterfaceInfo info;
        int error = 0;
        const bool known = hidraw::read_interface_info(root().sysfs(), iface.node, info, error);
        REQUIRE(known == e.valid);
        if (!known) {
            REQUIRE(error != 0);
            continue;
        }
        REQUIRE(info.id.vendor == e.id.vendor && info.id.product == e.id.product);
        REQUIRE(info.hid_name == e.hid_name && info.hid_uniq == e.hid_uniq);
        REQUIRE(info.usb == e.usb && info.interface_known == e.interface_known);
        REQUIRE(!e.interface_known || info.interface_number == e.interface_number);

        const std::string path = hidraw::interface_path(root().dev(), iface.node, info);
        REQUIRE(hidraw::node_path_of(path) == root().dev() + "/" + iface.node);
        REQUIRE(std::count(walked.begin(), walked.end(), path) == 1);
        if (!iface.has_node()) {
            REQUIRE(backend->open(path.c_str()) == nullptr);
            continue;
        }
        const std::unique_ptr<panelink::platform::Device> device = backend->open(path.c_str());
        REQUIRE(device != nullptr);

        panelink::platform::Attributes attributes;
        REQUIRE(device->attributes(attributes));
        REQUIRE(attributes.vendor_id == e.id.vendor && attributes.product_id == e.id.product);
        uint16_t version = 0;
        if (e.usb && iface.has(7))
            hex16(without_line_break(iface.bcd_device), version);
        REQUIRE(attributes.version_number == version);

        check_text(*device, iface, e, DeviceText::Manufacturer, iface.has(3), iface.manufacturer);
        check_text(*device, iface, e, DeviceText::Product, iface.has(4), iface.product);
        check_text(*device, iface, e, DeviceText::SerialNumber, iface.has(5), iface.serial);
        if (!iface.has(2))
            REQUIRE(device->collection() == nullptr);
        check_read(*device, iface);
    }
}

// The polled and the blocking read of a detected record, over its node: an input report the board
// side has written is decoded at the second poll (the first starts the read), and again by
// ReadData; a record whose report length cannot be read fails both.
void check_reads(DeviceRecord &record, const std::vector<Interface> &interfaces) {
    const std::string_view node =
        hidraw::node_path_of(std::string_view(record.DevicePath, record.DevicePathLength));
    const auto iface = std::find_if(interfaces.begin(), interfaces.end(), [&](const Interface &i) {
        return node == root().dev() + "/" + i.node;
    });
    REQUIRE(iface != interfaces.end());
    const int board = open(std::string(node).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    REQUIRE(board >= 0);
    const bool readable = record.InputReportByteLength >= 2 &&
                          record.InputReportByteLength <= panelink::platform::kMaxInputReport;
    const std::string sent = iface->input_report.substr(
        0, readable ? record.InputReportByteLength - 1u : iface->input_report.size());
    const auto send = [&] {
        if (!sent.empty())
            REQUIRE(write(board, sent.data(), sent.size()) == static_cast<ssize_t>(sent.size()));
    };
    std::vector<uint8_t> states(PANELINK_INPUT_STATES_SIZE, 0xA5);
    const int32_t first = ReadInputData(&record, states.data(), 1);
    send();
    const int32_t second = ReadInputData(&record, states.data(), 0);
    if (!readable) {
        REQUIRE(first == PANELINK_READ_FAILED && second == PANELINK_READ_FAILED);
        REQUIRE(std::all_of(states.begin(), states.end(), [](uint8_t b) { return b == 0xA5; }));
    } else {
        REQUIRE(first == PANELINK_READ_PENDING);
        REQUIRE(second == (sent.empty() ? PANELINK_READ_PENDING : PANELINK_READ_DECODED));
        if (!sent.empty()) {
            send();
            REQUIRE(ReadData(&record, states.data()) == PANELINK_READ_DECODED);
        }
    }
    close(board);
}

// DetectHID over the tree: records only for interfaces with a node, each naming its node.
void check_detection(const std::vector<Interface> &interfaces, uint8_t mode_pick) {
    static constexpr int32_t kModes[] = {PANELINK_MODE_STANDARD, PANELINK_MODE_ALL_DEVICES,
                                         PANELINK_MODE_DEVICES,  PANELINK_MODE_FLASH,
                                         PANELINK_MODE_REPORT,   PANELINK_MODE_STANDARD,
                                         PANELINK_MODE_STANDARD, PANELINK_MODE_ALL_DEVICES};
    static std::vector<DeviceRecord> records(PANELINK_MAX_DEVICES);
    int32_t count = -1;
    const int32_t result = DetectHID(&count, records.data(), kModes[mode_pick % 8]);
    const size_t with_node = static_cast<size_t>(std::count_if(
        interfaces.begin(), interfaces.end(), [](const Interface &i) { return i.has_node(); }));
    REQUIRE(count >= 0 && static_cast<size_t>(count) <= with_node);
    REQUIRE(result == (count > 0 ? 1 : 0));
    REQUIRE(panelink::open_device_count() == static_cast<size_t>(count));
    const std::string prefix = root().dev() + "/";
    for (int32_t i = 0; i < count; ++i) {
        const DeviceRecord &r = records[static_cast<size_t>(i)];
        REQUIRE(r.Handle != 0 && r.DeviceIndex == i);
        REQUIRE(r.VendorID == PANELINK_VENDOR_ID_A || r.VendorID == PANELINK_VENDOR_ID_B);
        REQUIRE(r.DevicePathLength <= sizeof r.DevicePath);
        const std::string_view path(r.DevicePath, r.DevicePathLength);
        REQUIRE(path.substr(0, prefix.size()) == prefix);
        REQUIRE(r.SerialNumber[3] == 0);
        REQUIRE(r.ProductNameLength >= 0 &&
                static_cast<size_t>(r.ProductNameLength) <= sizeof r.ProductName);
        REQUIRE(r.ManufacturerLength >= 0 &&
                static_cast<size_t>(r.ManufacturerLength) <= sizeof r.Manufacturer);
    }
    if (count > 0)
        check_reads(records[0], interfaces);
    REQUIRE(CloseDevices(static_cast<uint32_t>(count), records.data()) == 1);
    REQUIRE(panelink::open_device_count() == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Reader in(data, size);
    const uint8_t global = in.byte();
    std::vector<Interface> interfaces((global & 1) != 0 ? 2 : 1);
    std::vector<Interface> named;
    for (Interface &iface : interfaces) {
        iface.flags = in.byte();
        iface.node = node_name(in.field(), named);
        iface.uevent = in.field();
        iface.interface_number = in.field();
        iface.bcd_device = in.field();
        iface.manufacturer = in.field();
        iface.product = in.field();
        iface.serial = in.field();
        iface.descriptor = in.field();
        iface.input_report = in.field();
        named.push_back(iface);
    }
    interfaces[0].dangling_link = (global & 0x10) != 0;
    interfaces[0].no_uevent = (global & 0x20) != 0;

    std::error_code ignored;
    fs::remove_all(root().sysfs(), ignored);
    fs::remove_all(root().dev(), ignored);
    fs::create_directories(root().sysfs() + "/class/hidraw");
    fs::create_directories(root().dev());
    for (size_t i = 0; i < interfaces.size(); ++i)
        lay_out(interfaces[i], i);

    const size_t descriptors = open_descriptors();
    for (const Interface &iface : interfaces)
        check_parsers(iface);
    check_detection(interfaces, static_cast<uint8_t>(global >> 1));
    check_backend(interfaces);
    REQUIRE(open_descriptors() == descriptors);
    return 0;
}
