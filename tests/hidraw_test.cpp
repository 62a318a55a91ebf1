// The hidraw backend run over a fake sysfs tree and device root in a temporary folder. FIFOs stand
// in for device nodes (one pipe: what the board side writes the device reads, what the device
// writes the board side reads); a pseudo-terminal stands in where a node must hang up.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include <panelink/panelink.h>

#include "backends/hidraw/backend.h"
#include "backends/hidraw/report_ids.h"
#include "backends/hidraw/sysfs.h"
#include "backends/hidraw/text.h"
#include "support/open_descriptors.h"
#include "support/report_descriptors.h"
#include "support/sim_boards.h"

namespace {

namespace fs = std::filesystem;
using namespace panelink::platform;
using panelink::test::kFeatureIdDescriptor;
using panelink::test::kJoystickDescriptor;
using panelink::test::open_descriptors;
using Clock = std::chrono::steady_clock;

// Vendor page, no report IDs: 64-byte input and output reports.
const std::vector<uint8_t> kBoardDescriptor = panelink::test::vendor_descriptor();

struct UsbParent {
    std::string port; // USB device folder name, e.g. "1-2"
    int interface_number = 0;
    std::optional<std::string> manufacturer, product, serial;
    std::string bcd_device = "0100";
};

struct FakeInterface {
    std::string node;   // "hidraw0"
    std::string hid_id; // "0003:000012DA:00000910"
    std::string hid_name, hid_uniq;
    std::vector<uint8_t> descriptor;
    std::optional<UsbParent> usb;
    bool with_node = true; // create the node as a FIFO
    std::string hid_phys = "phys";
};

void write_file(const fs::path &path, const std::string &contents) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

std::string read_whole(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class FakeTree {
  public:
    FakeTree() {
        char name[] = "/tmp/panelink-hidraw-XXXXXX";
        root_ = mkdtemp(name);
        fs::create_directories(sysfs() + "/class/hidraw");
        fs::create_directories(dev());
    }
    ~FakeTree() {
        for (int fd : board_fds_)
            close(fd);
        fs::remove_all(root_);
    }
    FakeTree(const FakeTree &) = delete;
    FakeTree &operator=(const FakeTree &) = delete;

    std::string root() const { return root_; }
    std::string sysfs() const { return root_ + "/sys"; }
    std::string dev() const { return root_ + "/dev"; }
    hidraw::Roots roots() const { return {sysfs(), dev()}; }

    // Lays the interface out as the kernel does: the HID device inside its USB interface inside
    // its USB device, or under the virtual devices; class/hidraw/<node> links to its hidraw
    // folder, whose "device" link leads back to the HID device.
    void add(const FakeInterface &iface) {
        const std::string hid_name = iface.hid_id.substr(0, 4) + ":" + iface.hid_id.substr(9, 4) +
                                     ":" + iface.hid_id.substr(18, 4) + "." +
                                     std::to_string(++sequence_);
        fs::path hid_dir;
        if (iface.usb) {
            const UsbParent &usb = *iface.usb;
            const fs::path usb_dir = sysfs() + "/devices/pci0000:00/usb1/" + usb.port;
            const fs::path interface_dir =
                usb_dir / (usb.port + ":1." + std::to_string(usb.interface_number));
            char number[8];
            std::snprintf(number, sizeof number, "%02x\n", usb.interface_number);
            write_file(interface_dir / "bInterfaceNumber", number);
            write_file(usb_dir / "bcdDevice", usb.bcd_device + "\n");
            if (usb.manufacturer)
                write_file(usb_dir / "manufacturer", *usb.manufacturer + "\n");
            if (usb.product)
                write_file(usb_dir / "product", *usb.product + "\n");
            if (usb.serial)
                write_file(usb_dir / "serial", *usb.serial + "\n");
            hid_dir = interface_dir / hid_name;
        } else {
            hid_dir = sysfs() + "/devices/virtual/misc/uhid/" + hid_name;
        }
        write_file(hid_dir / "uevent",
                   "DRIVER=hid-generic\nHID_ID=" + iface.hid_id + "\nHID_NAME=" + iface.hid_name +
                       "\nHID_PHYS=" + iface.hid_phys + "\nHID_UNIQ=" + iface.hid_uniq + "\n");
        write_file(hid_dir / "report_descriptor",
                   std::string(iface.descriptor.begin(), iface.descriptor.end()));
        const fs::path node_dir = hid_dir / "hidraw" / iface.node;
        fs::create_directories(node_dir);
        fs::create_directory_symlink("../..", node_dir / "device");
        fs::create_directory_symlink(node_dir, sysfs() + "/class/hidraw/" + iface.node);
        if (iface.with_node) {
            EXPECT_EQ(mkfifo(node_path(iface.node).c_str(), 0600), 0);
        }
    }

    std::string node_path(const std::string &node) const { return dev() + "/" + node; }

    // The board's side of a FIFO node; closed with the tree.
    int board_side(const std::string &node) {
        const int fd = open(node_path(node).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(fd, 0);
        board_fds_.push_back(fd);
        return fd;
    }

  private:
    std::string root_;
    int sequence_ = 0;
    std::vector<int> board_fds_;
};

UsbParent usb(std::string port, int interface_number) {
    UsbParent parent;
    parent.port = std::move(port);
    parent.interface_number = interface_number;
    parent.manufacturer = "Veltrane";
    parent.product = "Zephyr-Lite";
    parent.serial = "S42";
    parent.bcd_device = "0123";
    return parent;
}

// The system under test, mirrored in the end-to-end run: a two-interface board, a joystick
// adapter, a foreign vendor's mouse, a board without USB parent and a node that is missing.
void add_standard_set(FakeTree &tree) {
    tree.add({"hidraw0", "0003:000012DA:00000910", "Veltrane Zephyr-Lite", "", kBoardDescriptor,
              usb("1-2", 0)});
    tree.add({"hidraw1", "0003:000012DA:00000910", "Veltrane Zephyr-Lite", "", kBoardDescriptor,
              usb("1-2", 1)});
    UsbParent adapter = usb("1-3", 0);
    adapter.serial.reset();
    adapter.product = "Zephyr Adapter";
    tree.add({"hidraw2", "0003:000012DA:00000600", "Veltrane Zephyr Adapter", "",
              kJoystickDescriptor, adapter});
    UsbParent mouse = usb("1-4", 0);
    mouse.manufacturer = "Other";
    tree.add({"hidraw10", "0003:0000046D:0000C077", "Other Mouse", "", kJoystickDescriptor, mouse});
    tree.add({"hidraw3", "0005:00006666:00000800", "Lumenet BT", "aa:bb:cc:dd:ee:ff",
              kBoardDescriptor, std::nullopt});

    tree.add({"hidraw4", "0003:000012DA:00000100", "Veltrane JB-100", "", kBoardDescriptor,
              usb("1-5", 0), false});
}

std::vector<std::string> walk_paths(Backend &backend) {
    std::vector<std::string> paths;
    EXPECT_TRUE(backend.begin_walk());
    std::string path;
    for (uint32_t i = 0; i < 64; ++i) {
        const WalkStep step = backend.walk_interface(i, path);
        if (step == WalkStep::End)
            break;
        paths.push_back(step == WalkStep::Found ? path : "<detail failed>");
    }
    backend.end_walk();
    return paths;
}

std::wstring text_of(Device &device, DeviceText which) {
    wchar_t text[kDeviceTextChars];
    std::wmemset(text, L'?', kDeviceTextChars);
    if (!device.text(which, text))
        return L"<failed>";
    return text;
}

long elapsed_ms(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Writes into a FIFO until it takes no more, so that a device on it cannot accept a report.
// Returns the bytes written.
size_t fill_until_full(int fd) {
    const std::vector<uint8_t> chunk(4096, 0xAB);
    size_t filled = 0;
    for (ssize_t n; (n = write(fd, chunk.data(), chunk.size())) > 0;)
        filled += static_cast<size_t>(n);
    return filled;
}

void push(int fd, const std::vector<uint8_t> &bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

TEST(HidrawSysfs, ParsesUeventAndHidIds) {
    std::string value;
    const std::string uevent = "DRIVER=x\nHID_ID=0003:000012DA:00000910\nHID_UNIQ=\nHID_NAME=A=B";
    ASSERT_TRUE(hidraw::uevent_value(uevent, "HID_ID", value));
    EXPECT_EQ(value, "0003:000012DA:00000910");
    ASSERT_TRUE(hidraw::uevent_value(uevent, "HID_NAME", value));
    EXPECT_EQ(value, "A=B");
    ASSERT_TRUE(hidraw::uevent_value(uevent, "HID_UNIQ", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(hidraw::uevent_value(uevent, "HID", value));
    EXPECT_FALSE(hidraw::uevent_value(uevent, "HID_PHYS", value));

    hidraw::HidId id;
    ASSERT_TRUE(hidraw::parse_hid_id("0003:000012DA:00000910", id));
    EXPECT_EQ(id.bus, 3);
    EXPECT_EQ(id.vendor, 0x12DA);
    EXPECT_EQ(id.product, 0x0910);
    for (const char *bad : {"", "0003:12DA", "0003:00012DA0:1", "0003::1", "zz:1:2", "3:1:2x"})
        EXPECT_FALSE(hidraw::parse_hid_id(bad, id)) << bad;
}

// Input reports are numbered exactly when an Input item lies under a nonzero Report ID, as the
// kernel decides it: IDs on other report types, or hidden in data, do not count.
TEST(HidrawReportIds, InputReportsAreNumberedOnlyByAnInputUnderAReportId) {
    struct Case {
        const char *what;
        std::vector<uint8_t> descriptor;
        bool numbered;
    };
    const std::vector<Case> cases = {
        {"no report ID", kBoardDescriptor, false},
        {"joystick with ID 1", kJoystickDescriptor, true},
        {"ID on the feature report only",
         {0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x40, 0x81, 0x02, 0x85, 0x05, 0xB1, 0x02, 0xC0},
         false},
        {"ID on the output report only",
         {0x75, 0x08, 0x95, 0x40, 0x81, 0x02, 0x85, 0x02, 0x91, 0x02},
         false},
        {"ID set back to 0 before the input",
         {0x85, 0x01, 0xB1, 0x02, 0x85, 0x00, 0x81, 0x02},
         false},
        {"ID pushed, popped back to none", {0xA4, 0x85, 0x03, 0xB1, 0x02, 0xB4, 0x81, 0x02}, false},
        {"ID kept across push and pop", {0x85, 0x03, 0xA4, 0x85, 0x00, 0xB4, 0x81, 0x02}, true},
        {"0x85 as another item's data", {0x09, 0x85, 0x26, 0x85, 0x00, 0x81, 0x02}, false},
        {"0x85 inside a long item", {0xFE, 0x02, 0x10, 0x85, 0x01, 0x81, 0x02}, false},
        {"ID after a long item", {0xFE, 0x01, 0x10, 0x00, 0x85, 0x02, 0x81, 0x02}, true},
        {"truncated ID item", {0x09, 0x01, 0x85}, false},
        {"input item cut short", {0x85, 0x01, 0x82, 0x02}, false},
        {"pop without push", {0xB4, 0x85, 0x01, 0x81, 0x02}, true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(hidraw::input_reports_numbered(c.descriptor.data(), c.descriptor.size()),
                  c.numbered)
            << c.what;
    EXPECT_FALSE(hidraw::input_reports_numbered(nullptr, 10));
}

TEST(HidrawSysfs, InterfaceNumberFromTheEndOfHidPhys) {
    struct Case {
        const char *phys;
        int number; // -1: none
    };
    const Case cases[] = {
        {"usb-0000:00:14.0-2/input1", 1},
        {"panelink-uhid-17-3/input0", 0},
        {"x/input255", 255},
        {"a/input1/input12", 12},
        {"x/input256", -1},
        {"x/input", -1},
        {"x/input1a", -1},
        {"x/input0001", -1},
        {"x/input-1", -1},
        {"input1", -1},
        {"", -1},
    };
    for (const Case &c : cases) {
        uint8_t number = 77;
        EXPECT_EQ(hidraw::parse_phys_interface_number(c.phys, number), c.number >= 0) << c.phys;
        if (c.number >= 0) {
            EXPECT_EQ(number, c.number) << c.phys;
        }
    }
}

TEST(HidrawText, DecodesUtf8AndCutsLongTexts) {
    wchar_t out[kDeviceTextChars];
    hidraw::utf8_to_device_text("Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x8E\xAE", out);
    EXPECT_EQ(std::wstring(out), L"Gr\u00FC\u00DF \u20AC \U0001F3AE");
    // Stray continuation, overlong form, surrogate, truncated sequence at the end.
    hidraw::utf8_to_device_text("a\x80"
                                "b\xC0\xAF"
                                "c\xED\xA0\x80"
                                "d\xE2\x82",
                                out);
    EXPECT_EQ(std::wstring(out), L"a\uFFFDb\uFFFD\uFFFDc\uFFFD\uFFFD\uFFFDd\uFFFD\uFFFD");
    const std::string long_text(400, 'x');
    hidraw::utf8_to_device_text(long_text, out);
    EXPECT_EQ(std::wstring(out), std::wstring(kDeviceTextChars - 1, L'x'));
}

TEST(HidrawWalk, ListsNodesInNumericOrderWithIdentitySuffix) {
    FakeTree tree;
    add_standard_set(tree);
    // Without a USB parent, the interface number comes from the end of HID_PHYS.
    tree.add({"hidraw5", "0003:000012DA:00000910", "Zephyr-Lite", "U1", kBoardDescriptor,
              std::nullopt, true, "panelink-uhid-9-2/input1"});
    auto backend = hidraw::make_backend(tree.roots());
    const std::string dev = tree.dev();
    EXPECT_EQ(walk_paths(*backend), (std::vector<std::string>{
                                        dev + "/hidraw0#vid_12da&pid_0910&mi_00",
                                        dev + "/hidraw1#vid_12da&pid_0910&mi_01",
                                        dev + "/hidraw2#vid_12da&pid_0600&mi_00",
                                        dev + "/hidraw3#vid_6666&pid_0800",
                                        dev + "/hidraw4#vid_12da&pid_0100&mi_00",
                                        dev + "/hidraw5#vid_12da&pid_0910&mi_01",
                                        dev + "/hidraw10#vid_046d&pid_c077&mi_00",
                                    }));
}

TEST(HidrawWalk, InterfaceWithoutUeventFailsItsDetailOnly) {
    FakeTree tree;
    add_standard_set(tree);
    fs::create_directories(tree.sysfs() + "/devices/broken/hidraw/hidraw6");
    fs::create_directory_symlink("../..", tree.sysfs() + "/devices/broken/hidraw/hidraw6/device");
    fs::create_directory_symlink(tree.sysfs() + "/devices/broken/hidraw/hidraw6",
                                 tree.sysfs() + "/class/hidraw/hidraw6");
    auto backend = hidraw::make_backend(tree.roots());
    const std::vector<std::string> paths = walk_paths(*backend);
    ASSERT_EQ(paths.size(), 7u);
    EXPECT_EQ(paths[5], "<detail failed>");
    EXPECT_EQ(backend->last_error(), static_cast<uint32_t>(ENOENT));
    EXPECT_EQ(paths[6], tree.dev() + "/hidraw10#vid_046d&pid_c077&mi_00");
}

TEST(HidrawWalk, MissingHidrawClassIsEmptyButMissingSysfsFails) {
    FakeTree tree;
    fs::remove(tree.sysfs() + "/class/hidraw");
    auto backend = hidraw::make_backend(tree.roots());
    EXPECT_TRUE(walk_paths(*backend).empty());

    auto nowhere = hidraw::make_backend({tree.root() + "/no-sysfs", tree.dev()});
    EXPECT_FALSE(nowhere->begin_walk());
    EXPECT_EQ(nowhere->last_error(), static_cast<uint32_t>(ENOENT));
}

// A fake tree holding the standard set, and the hidraw backend over it.
class StandardSet : public ::testing::Test {
  protected:
    void SetUp() override {
        add_standard_set(tree);
        backend = hidraw::make_backend(tree.roots());
    }

    FakeTree tree;
    std::unique_ptr<Backend> backend;
};

class HidrawOpen : public StandardSet {};

TEST_F(HidrawOpen, UsbInterfaceGivesAttributesTextsAndCollection) {
    auto board = backend->open((tree.dev() + "/hidraw1#vid_12da&pid_0910&mi_01").c_str());
    ASSERT_NE(board, nullptr);
    Attributes attributes;
    ASSERT_TRUE(board->attributes(attributes));
    EXPECT_EQ(attributes.vendor_id, 0x12DA);
    EXPECT_EQ(attributes.product_id, 0x0910);
    EXPECT_EQ(attributes.version_number, 0x0123);
    EXPECT_EQ(text_of(*board, DeviceText::Manufacturer), L"Veltrane");
    EXPECT_EQ(text_of(*board, DeviceText::Product), L"Zephyr-Lite");
    EXPECT_EQ(text_of(*board, DeviceText::SerialNumber), L"S42");
    const panelink::hid::Collection *collection = board->collection();
    ASSERT_NE(collection, nullptr);
    EXPECT_EQ(collection->usage_page, 0xFF00);
    EXPECT_EQ(collection->input_report_byte_length, 65);
    EXPECT_EQ(collection->output_report_byte_length, 65);

    auto adapter = backend->open((tree.dev() + "/hidraw2").c_str());
    ASSERT_NE(adapter, nullptr);
    EXPECT_EQ(text_of(*adapter, DeviceText::SerialNumber), L"<failed>");
    EXPECT_EQ(backend->last_error(), static_cast<uint32_t>(ENOENT));
    ASSERT_NE(adapter->collection(), nullptr);
    EXPECT_EQ(adapter->collection()->usage, 4);
    EXPECT_EQ(adapter->collection()->usage_page, 1);
}

TEST_F(HidrawOpen, DeviceWithoutUsbParentUsesHidNameAndUniq) {
    auto device = backend->open((tree.dev() + "/hidraw3#vid_6666&pid_0800").c_str());
    ASSERT_NE(device, nullptr);
    Attributes attributes;
    ASSERT_TRUE(device->attributes(attributes));
    EXPECT_EQ(attributes.vendor_id, 0x6666);
    EXPECT_EQ(attributes.product_id, 0x0800);
    EXPECT_EQ(attributes.version_number, 0);
    EXPECT_EQ(text_of(*device, DeviceText::Manufacturer), L"<failed>");
    EXPECT_EQ(backend->last_error(), static_cast<uint32_t>(ENOENT));
    EXPECT_EQ(text_of(*device, DeviceText::Product), L"Lumenet BT");
    EXPECT_EQ(text_of(*device, DeviceText::SerialNumber), L"aa:bb:cc:dd:ee:ff");
}

// A node that cannot be opened. Taking permissions away does not stop root, who runs these tests
// in containers, so a missing node stands for every open failure: the errno and its text travel.
TEST_F(HidrawOpen, FailureCarriesErrnoAndItsText) {
    EXPECT_EQ(backend->open((tree.dev() + "/hidraw4#vid_12da&pid_0100&mi_00").c_str()), nullptr);
    EXPECT_EQ(backend->last_error(), static_cast<uint32_t>(ENOENT));
    EXPECT_EQ(backend->error_text(ENOENT), "No such file or directory");
    EXPECT_EQ(backend->error_text(EACCES), "Permission denied");
    EXPECT_EQ(backend->open(nullptr), nullptr);
}

TEST_F(HidrawOpen, NodeUnknownToSysfsOpensButHasNoIdentity) {
    ASSERT_EQ(mkfifo((tree.dev() + "/stray").c_str(), 0600), 0);
    auto device = backend->open((tree.dev() + "/stray").c_str());
    ASSERT_NE(device, nullptr);
    Attributes attributes;
    EXPECT_FALSE(device->attributes(attributes));
    EXPECT_EQ(backend->last_error(), static_cast<uint32_t>(ENOENT));
    EXPECT_EQ(text_of(*device, DeviceText::Product), L"<failed>");
    EXPECT_EQ(device->collection(), nullptr);
}

class HidrawIo : public StandardSet {
  protected:
    void SetUp() override {
        StandardSet::SetUp();
        board = backend->open(tree.node_path("hidraw0").c_str());
        joystick = backend->open(tree.node_path("hidraw2").c_str());
        ASSERT_NE(board, nullptr);
        ASSERT_NE(joystick, nullptr);
        board_side = tree.board_side("hidraw0");
        joystick_side = tree.board_side("hidraw2");
    }

    std::unique_ptr<Device> board, joystick;
    int board_side = -1, joystick_side = -1;
};

TEST_F(HidrawIo, ReportsWithoutIdsGetAZeroIdByteAndArriveOneByOne) {
    std::vector<uint8_t> first(64), second(64);
    for (size_t i = 0; i < 64; ++i) {
        first[i] = static_cast<uint8_t>(i + 1);
        second[i] = static_cast<uint8_t>(0xF0 ^ i);
    }
    push(board_side, first);
    push(board_side, second);

    uint8_t buffer[kMaxInputReport];
    std::memset(buffer, 0xEE, sizeof buffer);
    InputRead read;
    read.buffer = buffer;
    read.length = 65;
    ASSERT_TRUE(board->start_read(read));
    EXPECT_TRUE(read.started);
    ASSERT_EQ(board->wait_read(read, 0), WaitResult::Completed);
    EXPECT_FALSE(read.started);
    EXPECT_EQ(read.transferred, 65u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(std::vector<uint8_t>(buffer + 1, buffer + 65), first);

    ASSERT_TRUE(board->start_read(read));
    ASSERT_EQ(board->wait_read(read, 0), WaitResult::Completed);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(std::vector<uint8_t>(buffer + 1, buffer + 65), second);
}

TEST_F(HidrawIo, NumberedReportsArriveAsTheyAre) {
    const std::vector<uint8_t> report = {0x01, 0x08, 0x00, 0x02, 0x00, 0x80, 0x7F};
    push(joystick_side, report);
    uint8_t buffer[kMaxInputReport] = {};
    InputRead read;
    read.buffer = buffer;
    read.length = 7;
    ASSERT_TRUE(joystick->start_read(read));
    ASSERT_EQ(joystick->wait_read(read, 100), WaitResult::Completed);
    EXPECT_EQ(read.transferred, 7u);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 7), report);
}

TEST_F(HidrawIo, WaitsNeverOutlastTheirTimeOut) {
    uint8_t buffer[kMaxInputReport];
    InputRead read;
    read.buffer = buffer;
    read.length = 65;
    ASSERT_TRUE(board->start_read(read));

    auto start = Clock::now();
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(board->wait_read(read, 0), WaitResult::TimedOut);
    EXPECT_LT(elapsed_ms(start), 250);
    EXPECT_TRUE(read.started);

    start = Clock::now();
    EXPECT_EQ(board->wait_read(read, 40), WaitResult::TimedOut);
    const long waited = elapsed_ms(start);
    EXPECT_GE(waited, 39);
    EXPECT_LT(waited, 500);

    // A report that comes while the wait is on ends it early.
    std::thread board_thread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        push(board_side, std::vector<uint8_t>(64, 0x5A));
    });
    start = Clock::now();
    EXPECT_EQ(board->wait_read(read, 5000), WaitResult::Completed);
    EXPECT_LT(elapsed_ms(start), 2000);
    board_thread.join();
    EXPECT_EQ(buffer[1], 0x5A);

    board->cancel_read(read);
    EXPECT_FALSE(read.started);
}

TEST_F(HidrawIo, FlushDrainsEveryQueuedReportWithoutBlocking) {
    for (int i = 0; i < 20; ++i)
        push(board_side, std::vector<uint8_t>(64, static_cast<uint8_t>(i)));
    const auto start = Clock::now();
    board->flush_input();
    board->flush_input(); // an empty queue: returns at once as well
    EXPECT_LT(elapsed_ms(start), 250);

    uint8_t buffer[kMaxInputReport];
    InputRead read;
    read.buffer = buffer;
    read.length = 65;
    ASSERT_TRUE(board->start_read(read));
    EXPECT_EQ(board->wait_read(read, 0), WaitResult::TimedOut);
}

TEST_F(HidrawIo, WriteDeliversTheReportAsGiven) {
    uint8_t report[65];
    for (size_t i = 0; i < sizeof report; ++i)
        report[i] = static_cast<uint8_t>(i * 3);
    report[0] = 0;
    ASSERT_EQ(board->write(report, sizeof report, 100), WaitResult::Completed);
    uint8_t received[128] = {};
    ASSERT_EQ(read(board_side, received, sizeof received), 65);
    EXPECT_EQ(std::memcmp(received, report, sizeof report), 0);

    EXPECT_EQ(board->write(nullptr, 65, 100), WaitResult::Failed);
    EXPECT_EQ(board->write(report, 0, 100), WaitResult::Failed);
}

TEST_F(HidrawIo, WriteToADeviceThatTakesNothingTimesOut) {
    // Fill the pipe until it takes no more: the device then cannot accept a report.
    fill_until_full(board_side);
    const uint8_t report[65] = {};
    const auto start = Clock::now();
    EXPECT_EQ(board->write(report, sizeof report, 50), WaitResult::TimedOut);
    const long waited = elapsed_ms(start);
    EXPECT_GE(waited, 49);
    EXPECT_LT(waited, 1000);
}

// hidraw hands a short report over as it came; Windows pads it, and so does the backend, so no
// input past its end keeps the previous report's value.
TEST_F(HidrawIo, ShortReportIsPaddedWithZeros) {
    push(board_side, std::vector<uint8_t>(64, 0xFF));
    push(board_side, {0x00, 0x00, 0x00});
    uint8_t buffer[kMaxInputReport];
    InputRead read;
    read.buffer = buffer;
    read.length = 65;
    ASSERT_TRUE(board->start_read(read));
    ASSERT_EQ(board->wait_read(read, 100), WaitResult::Completed);
    ASSERT_EQ(buffer[64], 0xFF);
    ASSERT_TRUE(board->start_read(read));
    ASSERT_EQ(board->wait_read(read, 100), WaitResult::Completed);
    EXPECT_EQ(read.transferred, 65u);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 65), std::vector<uint8_t>(65, 0));
}

// A Report ID on a feature report leaves input reports unnumbered: they still get the 0 byte.
TEST_F(HidrawIo, FeatureReportIdLeavesInputUnnumbered) {
    tree.add({"hidraw8", "0003:000012DA:00000700", "Halcyon-64", "", kFeatureIdDescriptor,
              usb("1-8", 0)});
    auto device = backend->open(tree.node_path("hidraw8").c_str());
    ASSERT_NE(device, nullptr);
    std::vector<uint8_t> report(64);
    for (size_t i = 0; i < report.size(); ++i)
        report[i] = static_cast<uint8_t>(i + 1);
    push(tree.board_side("hidraw8"), report);
    uint8_t buffer[kMaxInputReport] = {};
    InputRead read;
    read.buffer = buffer;
    read.length = 65;
    ASSERT_TRUE(device->start_read(read));
    ASSERT_EQ(device->wait_read(read, 100), WaitResult::Completed);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(std::vector<uint8_t>(buffer + 1, buffer + 65), report);
}

// A write the node does not take within the time-out is left to finish on its own. The next
// write waits for it within its own time-out and never queues behind it; once the node takes
// reports again, both arrive whole and in order.
TEST_F(HidrawIo, StuckWriteNeitherQueuesNorCorruptsTheNextReport) {
    const size_t filled = fill_until_full(board_side);
    uint8_t first[65], second[65];
    std::memset(first, 0x11, sizeof first);
    std::memset(second, 0x22, sizeof second);

    auto start = Clock::now();
    EXPECT_EQ(board->write(first, sizeof first, 50), WaitResult::TimedOut);
    std::memset(first, 0x99, sizeof first); // the caller reuses its buffer at once
    EXPECT_EQ(board->write(second, sizeof second, 50), WaitResult::TimedOut);
    EXPECT_EQ(backend->last_error(), static_cast<uint32_t>(ETIMEDOUT));
    EXPECT_LT(elapsed_ms(start), 1000);

    std::vector<uint8_t> drained(filled);
    ASSERT_EQ(read(board_side, drained.data(), drained.size()), static_cast<ssize_t>(filled));
    start = Clock::now();
    ASSERT_EQ(board->write(second, sizeof second, 1000), WaitResult::Completed);
    EXPECT_LT(elapsed_ms(start), 900);
    uint8_t received[256] = {};
    ASSERT_EQ(read(board_side, received, sizeof received), 130);
    EXPECT_EQ(std::vector<uint8_t>(received, received + 65), std::vector<uint8_t>(65, 0x11));
    EXPECT_EQ(std::vector<uint8_t>(received + 65, received + 130), std::vector<uint8_t>(65, 0x22));
}

// Closing a device whose write is stuck returns at once; the descriptor is closed only after
// the write has given up, so its number is never written to after reuse.
TEST_F(HidrawIo, CloseDoesNotWaitForAStuckWrite) {
    const size_t before = open_descriptors();
    auto device = backend->open(tree.node_path("hidraw1").c_str());
    ASSERT_NE(device, nullptr);
    const int side = tree.board_side("hidraw1");
    fill_until_full(side);
    const uint8_t report[65] = {};
    EXPECT_EQ(device->write(report, sizeof report, 20), WaitResult::TimedOut);
    const auto start = Clock::now();
    device.reset();
    EXPECT_LT(elapsed_ms(start), 1000); // the write never ends on its own here
    for (int i = 0; i < 100 && open_descriptors() > before + 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(open_descriptors(), before + 1); // only the board's side is left

    // An idle writer closes its descriptor before the device is gone.
    auto idle = backend->open(tree.node_path("hidraw2").c_str());
    ASSERT_NE(idle, nullptr);
    EXPECT_EQ(idle->write(report, 7, 100), WaitResult::Completed);
    idle.reset();
    EXPECT_EQ(open_descriptors(), before + 1);
}

// A write that fails is only that: the board keeps delivering reports, and the next write is
// tried again rather than refused as if the board were gone. /dev/full refuses every write
// with ENOSPC and reads as an endless stream of zeros.
TEST(HidrawWrite, FailedWriteLeavesTheBoardWorking) {
    FakeTree tree;
    tree.add({"hidraw9", "0003:000012DA:00000500", "Halcyon-256", "", kBoardDescriptor,
              usb("1-9", 0), false});
    fs::create_symlink("/dev/full", tree.node_path("hidraw9"));
    auto backend = hidraw::make_backend(tree.roots());
    auto board = backend->open(tree.node_path("hidraw9").c_str());
    ASSERT_NE(board, nullptr);
    const uint8_t report[65] = {};
    uint8_t buffer[kMaxInputReport];
    InputRead read;
    read.buffer = buffer;
    read.length = 65;
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(board->write(report, sizeof report, 100), WaitResult::Failed);
        EXPECT_EQ(backend->last_error(), static_cast<uint32_t>(ENOSPC));
        ASSERT_TRUE(board->start_read(read));
        EXPECT_EQ(board->wait_read(read, 100), WaitResult::Completed);
    }
}

// A cancelled read is over when cancel_read returns: the next report goes to the next read, and
// the cancelled one's buffer is never written again.
TEST_F(HidrawIo, CancelledReadTakesNoLaterReport) {
    uint8_t cancelled[kMaxInputReport] = {};
    uint8_t next[kMaxInputReport] = {};
    InputRead first;
    first.buffer = cancelled;
    first.length = 65;
    ASSERT_TRUE(board->start_read(first));
    EXPECT_EQ(board->wait_read(first, 0), WaitResult::TimedOut);
    board->cancel_read(first);
    EXPECT_FALSE(first.started);

    push(board_side, std::vector<uint8_t>(64, 0x3C));
    InputRead second;
    second.buffer = next;
    second.length = 65;
    ASSERT_TRUE(board->start_read(second));
    ASSERT_EQ(board->wait_read(second, 2000), WaitResult::Completed);
    EXPECT_EQ(next[64], 0x3C);
    EXPECT_EQ(std::count(cancelled, cancelled + sizeof cancelled, 0), 65);
}

// A child of fork() may use the boards its parent opened, even with a read of the parent's in
// flight: it reads for itself and leaves the parent's read alone, and the parent's read then
// still takes the next report.
TEST_F(HidrawIo, ChildOfForkReadsForItselfAndLeavesTheParentsReadAlone) {
    uint8_t parents[kMaxInputReport] = {};
    InputRead inflight;
    inflight.buffer = parents;
    inflight.length = 65;
    ASSERT_TRUE(board->start_read(inflight));
    EXPECT_EQ(board->wait_read(inflight, 0), WaitResult::TimedOut);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Nothing is queued; the parent's read, started before the fork, is none of ours.
        int failures = board->wait_read(inflight, 0) == WaitResult::TimedOut ? 0 : 1;
        board->cancel_read(inflight);
        uint8_t own[kMaxInputReport] = {};
        InputRead read;
        read.buffer = own;
        read.length = 65;
        failures += board->start_read(read) ? 0 : 2;
        failures += board->wait_read(read, 0) == WaitResult::TimedOut ? 0 : 4;
        board->cancel_read(read);
        uint8_t output[65] = {};
        output[1] = 0x77;
        failures += board->write(output, sizeof output, 100) == WaitResult::Completed ? 0 : 8;
        board.reset(); // closes the node without touching the parent's ring
        _exit(failures);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // The child's write went out; the parent's read took it (the FIFO carries both directions),
    // else it takes the report pushed now.
    if (board->wait_read(inflight, 0) != WaitResult::Completed) {
        push(board_side, std::vector<uint8_t>(64, 0x5E));
        ASSERT_EQ(board->wait_read(inflight, 2000), WaitResult::Completed);
        EXPECT_EQ(parents[64], 0x5E);
    } else {
        EXPECT_EQ(parents[2], 0x77);
    }
}

// A pseudo-terminal hangs up like an unplugged hidraw device: poll() reports POLLHUP and reads
// fail, which neither a FIFO (the device holds its own writing end) nor a file can show.
TEST(HidrawDisconnect, VanishedDeviceFailsReadsAndWrites) {
    FakeTree tree;
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    termios raw{};
    ASSERT_EQ(tcgetattr(master, &raw), 0);
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(master, TCSANOW, &raw), 0);
    tree.add({"hidraw7", "0003:000012DA:00000100", "Veltrane JB-100", "", kBoardDescriptor,
              usb("1-6", 0), false});
    fs::create_symlink(ptsname(master), tree.node_path("hidraw7"));

    auto backend = hidraw::make_backend(tree.roots());
    auto board = backend->open((tree.node_path("hidraw7") + "#vid_12da&pid_0100&mi_00").c_str());
    ASSERT_NE(board, nullptr);

    uint8_t buffer[kMaxInputReport] = {};
    InputRead read;
    read.buffer = buffer;
    read.length = 65;
    ASSERT_TRUE(board->start_read(read));
    EXPECT_EQ(board->wait_read(read, 0), WaitResult::TimedOut);
    const std::vector<uint8_t> report(64, 0x11);
    push(master, report);
    ASSERT_EQ(board->wait_read(read, 2000), WaitResult::Completed);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[64], 0x11);

    ASSERT_TRUE(board->start_read(read));
    close(master);
    const auto start = Clock::now();
    EXPECT_EQ(board->wait_read(read, 3000), WaitResult::Failed);
    EXPECT_LT(elapsed_ms(start), 1000);
    board->cancel_read(read);
    EXPECT_FALSE(board->start_read(read));
    const uint8_t output[65] = {};
    EXPECT_EQ(board->write(output, sizeof output, 100), WaitResult::Failed);
    board->flush_input(); // no hang on a gone device
}

// The library's own enumeration and transfers, over the real backend on the fake tree.
class HidrawLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        add_standard_set(tree);
        unsetenv("PANELINK_SIMULATE");
        setenv("PANELINK_SYSFS_ROOT", tree.sysfs().c_str(), 1);
        setenv("PANELINK_DEV_ROOT", tree.dev().c_str(), 1);
        previous_dir = fs::current_path();
        fs::current_path(tree.root()); // the detection log goes there
    }
    void TearDown() override {
        fs::current_path(previous_dir);
        unsetenv("PANELINK_SYSFS_ROOT");
        unsetenv("PANELINK_DEV_ROOT");
    }

    FakeTree tree;
    fs::path previous_dir;
    DeviceRecord records[16] = {};
    int32_t count = -1;
};

TEST_F(HidrawLibrary, DetectHidFindsTheBoardsAndLogsWhatItSkipped) {
    ASSERT_EQ(DetectHID(&count, records, PANELINK_MODE_STANDARD), 1);
    ASSERT_EQ(count, 3);
    const std::string dev = tree.dev();

    EXPECT_EQ(records[0].ProductID, 0x0910);
    EXPECT_EQ(records[0].VersionNumber, 0x0123);
    EXPECT_EQ(std::string(records[0].DevicePath, records[0].DevicePathLength),
              dev + "/hidraw0#vid_12da&pid_0910&mi_00");
    EXPECT_EQ(std::string(records[0].Manufacturer, records[0].ManufacturerLength), "Veltrane");
    EXPECT_EQ(std::string(records[0].SerialNumber), "S42");
    EXPECT_EQ(records[0].InputReportByteLength, 65);
    EXPECT_EQ(records[0].IsConfigInterface, 0);

    EXPECT_EQ(records[1].ProductID, 0x0600);
    EXPECT_EQ(records[1].Usage, 4);
    EXPECT_EQ(records[1].UsagePage, 1);
    EXPECT_EQ(std::string(records[1].SerialNumber), "N/A");

    EXPECT_EQ(records[2].VendorID, 0x6666);
    EXPECT_EQ(records[2].ProductID, 0x0800);
    EXPECT_EQ(std::string(records[2].Manufacturer, records[2].ManufacturerLength), "Veltrane Inc.");
    EXPECT_EQ(std::string(records[2].ProductName, records[2].ProductNameLength), "Lumenet BT");

    const std::string log = read_whole(tree.root() + "/panelink_all.log");
    EXPECT_NE(log.find("Found ProductID 0x910\nManufacturer Name : Veltrane\n"), std::string::npos);
    EXPECT_NE(log.find("CFG_TYPE : DT_STANDARD\nALL_DEVICES - GetDevParam return FALSE\n"),
              std::string::npos);
    EXPECT_EQ(log.find("0x46d"), std::string::npos);
    EXPECT_NE(log.find("Device Serial String - ERROR : 2! N/A\n"), std::string::npos);
    EXPECT_NE(log.find("Manufacturer String - ERROR : 2! N/A\n"), std::string::npos);
    EXPECT_NE(log.find(dev + "/hidraw4#vid_12da&pid_0100&mi_00CreateFile : INVALID_HANDLE_VALUE\n"
                             "Error ; 2 - No such file or directory\n"),
              std::string::npos);
    EXPECT_NE(log.find("\nNum Devices Detected : 3\n"), std::string::npos);
    EXPECT_EQ(CloseDevices(static_cast<uint32_t>(count), records), 1);
}

TEST_F(HidrawLibrary, ConfigurationInterfaceIsFoundByItsPath) {
    ASSERT_EQ(DetectHID(&count, records, PANELINK_MODE_DEVICES), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(std::string(records[0].ProductName, records[0].ProductNameLength), "Zephyr-Lite CFG");
    EXPECT_EQ(records[0].IsConfigInterface, 1);
    EXPECT_EQ(CloseDevices(1, records), 1);
}

TEST_F(HidrawLibrary, NodePathMayContainAHash) {
    const std::string hashed_dev = tree.root() + "/dev#1";
    fs::create_directory_symlink(tree.dev(), hashed_dev);
    setenv("PANELINK_DEV_ROOT", hashed_dev.c_str(), 1);
    ASSERT_EQ(DetectHID(&count, records, PANELINK_MODE_STANDARD), 1);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(std::string(records[0].DevicePath, records[0].DevicePathLength),
              hashed_dev + "/hidraw0#vid_12da&pid_0910&mi_00");

    const int board_side = tree.board_side("hidraw0");
    uint8_t output[65] = {0, 0x42};
    EXPECT_EQ(WriteData(&records[0], output), 65);
    uint8_t received[128] = {};
    EXPECT_EQ(read(board_side, received, sizeof received), 65);
    EXPECT_EQ(received[1], 0x42);
    EXPECT_EQ(CloseDevices(static_cast<uint32_t>(count), records), 1);
}

// Polls and writes from several threads while another closes the boards: every call gives one
// of its results, nothing races (the sanitizer builds run this), and once closed, no descriptor
// of the boards' nodes or rings is left.
TEST_F(HidrawLibrary, CallsFromManyThreadsRaceCloseDevicesAndLeaveNothingOpen) {
    const size_t before = open_descriptors();
    constexpr int kRounds = 5;
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_EQ(DetectHID(&count, records, PANELINK_MODE_STANDARD), 1);
        const int board_side = tree.board_side("hidraw0");
        std::atomic<bool> stop{false};
        std::atomic<int> odd_results{0};
        // Each caller has its copy of the record, as a program's threads would; two threads per
        // poll slot.
        DeviceRecord copies[4];
        for (int t = 0; t < 4; ++t) {
            copies[t] = records[0];
            copies[t].DeviceIndex = static_cast<uint8_t>(t % 2);
        }
        std::vector<std::thread> callers;
        for (int t = 0; t < 4; ++t) {
            callers.emplace_back([&, t] {
                DeviceRecord &record = copies[t];
                uint8_t states[PANELINK_INPUT_STATES_SIZE];
                uint8_t output[68] = {};
                while (!stop.load()) {
                    const int32_t result =
                        t == 3 ? WriteData(&record, output) : ReadInputData(&record, states, 0);
                    const bool known = t == 3 ? (result == 0 || result == 65)
                                              : (result >= PANELINK_READ_FAILED &&
                                                 result <= PANELINK_READ_TIMED_OUT);
                    odd_results += known ? 0 : 1;
                }
            });
        }
        push(board_side, std::vector<uint8_t>(64, 0x01));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(CloseDevices(static_cast<uint32_t>(count), records), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        stop = true;
        for (std::thread &caller : callers)
            caller.join();
        EXPECT_EQ(odd_results.load(), 0);
        uint8_t states[PANELINK_INPUT_STATES_SIZE];
        EXPECT_EQ(ReadInputData(&records[0], states, 0), PANELINK_READ_FAILED);
    }
    // The boards' FIFO ends stay open (the tree closes them); nothing of the library's does.
    EXPECT_EQ(open_descriptors(), before + kRounds);
}

TEST_F(HidrawLibrary, PolledReadsAndWritesReachTheNode) {
    ASSERT_EQ(DetectHID(&count, records, PANELINK_MODE_STANDARD), 1);
    const int board_side = tree.board_side("hidraw0");
    // The write first: the FIFO carries both directions, and a read in flight would take the
    // written report itself.
    uint8_t output[68] = {};
    output[1] = 0x42;
    output[64] = 0x24;
    EXPECT_EQ(WriteData(&records[0], output), 65);
    uint8_t received[128] = {};
    ASSERT_EQ(read(board_side, received, sizeof received), 65);
    EXPECT_EQ(std::memcmp(received, output, 65), 0);

    uint8_t states[PANELINK_INPUT_STATES_SIZE];
    std::memset(states, 0xCC, sizeof states);
    EXPECT_EQ(ReadInputData(&records[0], states, 0), PANELINK_READ_PENDING);
    EXPECT_EQ(ReadInputData(&records[0], states, 0), PANELINK_READ_PENDING);
    EXPECT_EQ(states[0], 0xCC);

    std::vector<uint8_t> report(64, 0);
    report[0] = 0x01;
    report[1] = 0x80;
    push(board_side, report);
    push(board_side, std::vector<uint8_t>(64, 0xFF)); // discarded by the flush after decoding
    EXPECT_EQ(ReadInputData(&records[0], states, 0), PANELINK_READ_DECODED);
    for (size_t i = 0; i < 512; ++i)
        ASSERT_EQ(states[i], (i == 0 || i == 15) ? 1 : 0) << i;
    EXPECT_EQ(ReadInputData(&records[0], states, 0), PANELINK_READ_PENDING);
    EXPECT_EQ(CloseDevices(static_cast<uint32_t>(count), records), 1);
}

} // namespace
