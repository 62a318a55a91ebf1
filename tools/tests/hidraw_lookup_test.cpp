#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include <unistd.h>

#include <gtest/gtest.h>

#include "hidraw_lookup.h"
#include "virtual_hid_device.h"

namespace panelink::uhid {
namespace {

namespace fs = std::filesystem;

TEST(PhysForInterface, EndsInTheInterfaceAndIsUniqueAndFitsTheKernelField) {
    std::set<std::string> seen;
    for (int interface_number : {0, 1, 3, 12}) {
        const std::string phys = phys_for_interface(interface_number);
        const std::string suffix = "/input" + std::to_string(interface_number);
        ASSERT_GE(phys.size(), suffix.size());
        EXPECT_EQ(phys.substr(phys.size() - suffix.size()), suffix);
        EXPECT_LT(phys.size(), 64u); // the kernel's field holds 63 bytes and a zero
        EXPECT_TRUE(seen.insert(phys).second) << phys;
    }
    EXPECT_NE(phys_for_interface(0), phys_for_interface(0));
}

TEST(UeventMatches, ComparesWholeValuesOfTheGivenKeys) {
    const std::string uevent = "DRIVER=hid-generic\n"
                               "HID_ID=0003:000012DA:00000910\n"
                               "HID_NAME=Zephyr-Lite\n"
                               "HID_PHYS=panelink-uhid-7-1/input1\n"
                               "HID_UNIQ=D0910-01\n"
                               "MODALIAS=hid:b0003g0001v000012DAp00000910\n";
    const struct {
        const char *phys;
        const char *uniq;
        bool matches;
    } cases[] = {
        {"panelink-uhid-7-1/input1", "", true},
        {"panelink-uhid-7-1/input1", "D0910-01", true},
        {"", "D0910-01", true},
        {"panelink-uhid-7-1/input1", "D0910-02", false},
        {"panelink-uhid-7-1/input", "", false},   // a prefix of the value
        {"panelink-uhid-7-1/input10", "", false}, // longer than the value
        {"panelink-uhid-7-2/input1", "", false},
        {"", "", false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(uevent_matches(uevent, c.phys, c.uniq), c.matches)
            << "phys '" << c.phys << "' uniq '" << c.uniq << "'";
    }
}

TEST(UeventMatches, NeedsTheKeyAtTheStartOfALine) {
    EXPECT_FALSE(uevent_matches("XHID_PHYS=a/input0\n", "a/input0", ""));
    EXPECT_FALSE(uevent_matches("HID_PHYSX=a/input0\n", "a/input0", ""));
    EXPECT_FALSE(uevent_matches("HID_NAME=a/input0\n", "a/input0", ""));
    EXPECT_TRUE(uevent_matches("HID_PHYS=a/input0", "a/input0", "")); // no final newline
    EXPECT_FALSE(uevent_matches("HID_PHYS=a/input0\nHID_UNIQ=\n", "a/input0", "S1"));
}

// A sysfs and /dev pair in a temporary folder, with hidraw entries added on demand.
class FakeTree : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("uhid-lookup-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(sys() + "/class/hidraw");
        fs::create_directories(dev());
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string sys() const { return (root_ / "sys").string(); }
    std::string dev() const { return (root_ / "dev").string(); }

    void add(const std::string &name, const std::string &phys, const std::string &uniq,
             bool with_node = true) {
        const fs::path device = fs::path(sys()) / "class" / "hidraw" / name / "device";
        fs::create_directories(device);
        std::ofstream(device / "uevent")
            << "HID_ID=0003:000012DA:00000500\nHID_PHYS=" << phys << "\nHID_UNIQ=" << uniq << "\n";
        if (with_node) {
            std::ofstream(fs::path(dev()) / name) << "";
        }
    }

    fs::path root_;
};

TEST_F(FakeTree, FindsTheNodeOfTheMatchingDevice) {
    add("hidraw0", "usb-0000:00:14.0-1/input0", "");
    add("hidraw1", "panelink-uhid-9-0/input0", "D0500-01");
    add("hidraw2", "panelink-uhid-9-1/input1", "D0910-01");
    EXPECT_EQ(find_hidraw_node(sys(), dev(), "panelink-uhid-9-1/input1", ""), dev() + "/hidraw2");
    EXPECT_EQ(find_hidraw_node(sys(), dev(), "", "D0500-01"), dev() + "/hidraw1");
    EXPECT_EQ(find_hidraw_node(sys(), dev(), "panelink-uhid-9-3/input0", ""), "");
}

TEST_F(FakeTree, ADeviceWhoseNodeIsNotThereYetIsNotFound) {
    add("hidraw4", "panelink-uhid-9-0/input0", "", /*with_node=*/false);
    EXPECT_EQ(find_hidraw_node(sys(), dev(), "panelink-uhid-9-0/input0", ""), "");
}

TEST_F(FakeTree, AMissingClassFolderFindsNothing) {
    fs::remove_all(fs::path(sys()) / "class");
    EXPECT_EQ(find_hidraw_node(sys(), dev(), "panelink-uhid-9-0/input0", ""), "");
}

TEST_F(FakeTree, WaitingSeesADeviceThatAppearsLater) {
    std::thread plug([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        add("hidraw7", "panelink-uhid-9-5/input0", "");
    });
    const std::string node =
        wait_for_hidraw_node(sys(), dev(), "panelink-uhid-9-5/input0", "", 5000);
    plug.join();
    EXPECT_EQ(node, dev() + "/hidraw7");
}

TEST_F(FakeTree, WaitingGivesUpAfterTheTimeOut) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(wait_for_hidraw_node(sys(), dev(), "panelink-uhid-9-5/input0", "", 100), "");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(100));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));
}

} // namespace
} // namespace panelink::uhid
