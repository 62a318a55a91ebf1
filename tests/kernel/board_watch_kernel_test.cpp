// The board monitor over real hidraw nodes: uhid boards plugged and unplugged while a monitor
// listens, once with the kernel's own events (no udevd) and once with udevd running.
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include <panelink/panelink.h>

#include "backends/hidraw/board_watch.h"
#include "kernel/kernel_fixture.h"
#include "kernel/support/udevd.h"
#include "support/report_descriptors.h"
#include "virtual_hid_device.h"

namespace {

using namespace panelink::test::kernel;
using panelink::uhid::Identity;
using panelink::uhid::VirtualHidDevice;

struct Board {
    std::unique_ptr<VirtualHidDevice> device;
    std::string node; // "hidrawN"
};

Board plug(uint16_t vendor, uint16_t product, const char *serial, int interface_number) {
    Identity identity;
    identity.vendor = vendor;
    identity.product = product;
    identity.version = 0x0100;
    identity.name = "Watched board";
    identity.uniq = serial;
    identity.phys = panelink::uhid::phys_for_interface(interface_number);
    identity.descriptor = panelink::test::vendor_descriptor();
    std::string error;
    Board board{VirtualHidDevice::create(identity, error), {}};
    EXPECT_NE(board.device, nullptr) << error;
    if (board.device != nullptr) {
        const std::string path = board.device->hidraw_node(5000);
        board.node = path.substr(path.rfind('/') + 1);
    }
    EXPECT_FALSE(board.node.empty());
    return board;
}

bool names_node(const PanelinkBoardEvent &event, const std::string &node) {
    const std::string path = event.path;
    return path.find("/" + node + "#") != std::string::npos;
}

// Whether the kernel told the device that its node was opened.
bool was_opened(VirtualHidDevice &device) {
    panelink::uhid::Event event;
    while (device.next_event(event, 0)) {
        if (event.type == panelink::uhid::EventType::Open)
            return true;
    }
    return false;
}

// The identity part of an event: everything but the kind.
bool same_identity(const PanelinkBoardEvent &a, const PanelinkBoardEvent &b) {
    return a.vendor_id == b.vendor_id && a.product_id == b.product_id && a.version == b.version &&
           a.config_interface == b.config_interface && a.opened == b.opened && a.error == b.error &&
           std::strcmp(a.path, b.path) == 0 && std::strcmp(a.serial, b.serial) == 0;
}

// udevd in the guest may take seconds over an event the first time its rules load modules.
PanelinkBoardEvent next_event(uint32_t monitor, uint32_t timeout_ms = 10000) {
    PanelinkBoardEvent event{};
    EXPECT_EQ(panelink_monitor_next(monitor, &event, timeout_ms), PANELINK_MONITOR_EVENT);
    return event;
}

struct WatchMode {
    const char *name;
    bool udevd; // start udevd, so that its events (after its rules ran) are the ones followed
};

class BoardWatchKernel : public KernelHidraw, public ::testing::WithParamInterface<WatchMode> {
  protected:
    void SetUp() override {
        KernelHidraw::SetUp();
        ASSERT_EQ(access("/dev/uhid", R_OK | W_OK), 0) << "needs the uhid module";
        ASSERT_NE(access("/run/udev/control", F_OK), 0) << "udevd runs already";
        if (GetParam().udevd) {
            ASSERT_TRUE(udevd_.start()) << "udevd did not start";
        }
    }
    void TearDown() override {
        udevd_.stop();
        KernelHidraw::TearDown();
    }

    Udevd udevd_;
};

// Present boards come once each in the snapshot; a plugged board arrives with its identity and
// leaves with exactly that identity; a device of another maker wakes nobody.
TEST_P(BoardWatchKernel, SnapshotArrivalsAndDepartures) {
    Board first = plug(0x12DA, 0x0910, "K0910", 1);
    Board second = plug(0x6666, 0x0700, "K0700", 0);
    Board other = plug(0x1234, 0x5678, "X1", 0);

    const uint32_t monitor = panelink_monitor_open(PANELINK_MONITOR_SNAPSHOT);
    ASSERT_NE(monitor, 0u);
    PanelinkBoardEvent snapshot[2];
    for (PanelinkBoardEvent &event : snapshot) {
        event = next_event(monitor, 0);
        EXPECT_EQ(event.event, PANELINK_BOARD_ARRIVED);
        EXPECT_EQ(event.opened, 1);
    }
    const bool in_order = names_node(snapshot[0], first.node);
    const PanelinkBoardEvent &a = snapshot[in_order ? 0 : 1];
    const PanelinkBoardEvent &b = snapshot[in_order ? 1 : 0];
    EXPECT_TRUE(names_node(a, first.node)) << a.path;
    EXPECT_TRUE(names_node(b, second.node)) << b.path;
    EXPECT_EQ(a.vendor_id, 0x12DA);
    EXPECT_EQ(a.config_interface, 1);
    EXPECT_STREQ(a.serial, "K0910");
    EXPECT_EQ(b.vendor_id, 0x6666);
    PanelinkBoardEvent none{};
    EXPECT_EQ(panelink_monitor_next(monitor, &none, 300), PANELINK_MONITOR_TIMEOUT) << none.path;

    Board live = plug(0x12DA, 0x0500, "K0501", 0);
    const PanelinkBoardEvent arrived = next_event(monitor);
    EXPECT_EQ(arrived.event, PANELINK_BOARD_ARRIVED);
    EXPECT_TRUE(names_node(arrived, live.node)) << arrived.path;
    EXPECT_EQ(arrived.product_id, 0x0500);
    EXPECT_EQ(arrived.opened, 1);
    EXPECT_EQ(arrived.error, 0u);
    EXPECT_STREQ(arrived.serial, "K0501");

    // Another maker's device plugged while the board is present: the board's departure is the
    // next event, and neither that device nor the one present from the start was opened.
    Board passing = plug(0x1234, 0x0001, "X2", 0);
    live.device.reset();
    const PanelinkBoardEvent left = next_event(monitor);
    EXPECT_EQ(left.event, PANELINK_BOARD_LEFT);
    EXPECT_TRUE(same_identity(left, arrived)) << left.path << " / " << arrived.path;
    EXPECT_FALSE(was_opened(*other.device));
    EXPECT_FALSE(was_opened(*passing.device));
    other.device.reset();
    passing.device.reset();

    first.device.reset();
    const PanelinkBoardEvent first_left = next_event(monitor);
    EXPECT_EQ(first_left.event, PANELINK_BOARD_LEFT);
    EXPECT_TRUE(same_identity(first_left, a)) << first_left.path;
    EXPECT_EQ(panelink_monitor_next(monitor, &none, 300), PANELINK_MONITOR_TIMEOUT) << none.path;
    EXPECT_EQ(panelink_monitor_close(monitor), 1);
}

INSTANTIATE_TEST_SUITE_P(Sources, BoardWatchKernel,
                         ::testing::Values(WatchMode{"KernelEvents", false},
                                           WatchMode{"Udevd", true}),
                         [](const auto &info) { return std::string(info.param.name); });

// A sink that holds the watch's thread in its first arrival until released.
class HoldingSink : public panelink::platform::BoardEventSink {
  public:
    void arrived(const panelink::platform::BoardArrival &) override {
        std::unique_lock lock(mutex_);
        ++arrivals_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
    }
    void left(const std::string &) override {}
    void resynchronise(const std::vector<panelink::platform::BoardArrival> &present) override {
        std::lock_guard lock(mutex_);
        resynchronised_.push_back(present);
        changed_.notify_all();
    }
    bool wait_for_arrival() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [this] { return arrivals_ > 0; });
    }
    std::vector<std::vector<panelink::platform::BoardArrival>> release_and_wait() {
        std::unique_lock lock(mutex_);
        released_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, std::chrono::seconds(10),
                          [this] { return !resynchronised_.empty(); });
        return resynchronised_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int arrivals_ = 0;
    bool released_ = false;
    std::vector<std::vector<panelink::platform::BoardArrival>> resynchronised_;
};

// Events lost while the watch's queue overflowed are made up by a walk: the sink hears of the
// boards present then.
TEST(BoardWatchOverflow, LostEventsAreMadeUpByAWalk) {
    ASSERT_NE(access("/run/udev/control", F_OK), 0) << "needs the kernel's events";
    HoldingSink sink;
    std::vector<panelink::platform::BoardArrival> present;
    auto family = [](uint16_t vendor, uint16_t) { return vendor == 0x12DA; };
    auto watch = panelink::platform::hidraw::start_board_watch(
        panelink::platform::hidraw::roots_from_environment(), sink, family, present, 4096);
    ASSERT_NE(watch, nullptr);
    Board kept = plug(0x12DA, 0x0910, "K1", 0);
    ASSERT_TRUE(sink.wait_for_arrival());
    for (int round = 0; round < 20; ++round)
        plug(0x12DA, 0x0500, "K2", 0); // plugged and unplugged while the thread is held
    const auto walks = sink.release_and_wait();
    ASSERT_FALSE(walks.empty());
    ASSERT_EQ(walks.back().size(), 1u);
    EXPECT_NE(walks.back()[0].path.find("/" + kept.node + "#"), std::string::npos);
    watch.reset();
}

} // namespace
