// panelinkd --joystick against the real kernel: boards served through /dev/uhid, the service
// run as a child process, its virtual joysticks read back through evdev (libevdev). Runs as root
// on a machine with the uhid, hid-generic, uinput and evdev modules (tests/kernel/guest).
//
// The cases share one service run and go in order: capabilities, button, inversion and skip,
// encoder pulse, unplug and replug with events in the first milliseconds, latency, idle CPU, and
// the clean end on SIGTERM.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>
#include <libevdev/libevdev.h>

#include "board_set.h"
#include "virtual_hid_device.h"

namespace {

using Clock = std::chrono::steady_clock;
using panelink::board_models::Board;
using panelink::uhid::VirtualHidDevice;
using std::chrono::milliseconds;

// The 256-input board, split over four devices; the 64-input board that is unplugged and
// replugged; six more boards, the first with two encoders as axes (eight joystick boards in
// all).
constexpr uint16_t kBigProduct = 0x0500;
constexpr uint16_t kSmallProduct = 0x0700;
const char *const kBigName = "Halcyon-256 USB MODULE";
const char *const kReplugName = "Replug board";
const char *const kAxisName = "Axis board";
constexpr int kIdleBoards = 6;

// The joystick settings of the run. Big board: input 3 inverted, input 4 skipped, inputs 5 and 6
// an encoder (one pulse per step); so input 1 is button 1 (BTN_TRIGGER), input 3 button 3
// (BTN_THUMB2), input 5 button 4 (BTN_TOP), input 7 button 6 (BTN_PINKIE), and input 73 button
// 72, the first button of the second device.
const char *const kConfig = R"({"joystick": {"pulse_ms": 50, "settle_ms": 300, "boards": {
  "0500-D0500-01": {"inputs": {"3": "invert", "4": "skip"}, "encoders": [{"inputs": [5, 6]}]},
  "0700-REPLUG": {"name": "Replug board"},
  "0700-IDLE0": {"name": "Axis board", "encoders": [
    {"inputs": [1, 2], "as": "relative", "axis": "dial"},
    {"inputs": [3, 4], "as": "absolute", "axis": "throttle", "min": 0, "max": 100, "step": 10,
     "initial": 50}]}}}})";

class ServedBoard {
  public:
    ServedBoard(uint16_t product, const std::string &serial) {
        for (const Board &demo : panelink::board_models::demo_board_set())
            if (demo.identity.product == product)
                board_ = demo;
        board_.identity.uniq = serial;
        held_.assign(board_.input_report_length, 0);
    }

    void plug() {
        panelink::uhid::Identity identity = board_.identity;
        identity.phys = panelink::uhid::phys_for_interface(board_.interface_number);
        std::string error;
        device_ = VirtualHidDevice::create(identity, error);
        ASSERT_NE(device_, nullptr) << error;
        ASSERT_FALSE(device_->hidraw_node(10000).empty()) << "no hidraw node";
    }
    void unplug() {
        ASSERT_TRUE(device_->destroy()) << device_->last_error();
        device_.reset();
    }

    // Input `number` (from 1) on or off in the board's state, to go with its next report.
    void hold(uint32_t number, bool on) {
        const uint32_t input = number - 1;
        const auto bit = static_cast<uint8_t>(1u << (input % 8));
        uint8_t &byte = held_.at(1 + input / 8);
        byte = on ? byte | bit : byte & ~bit;
    }
    // The same, sent at once as the board's next report. The service reads the latest report
    // of each poll only, so changes meant to be seen one by one are sent a poll apart.
    void set(uint32_t number, bool on) {
        hold(number, on);
        if (device_)
            send();
    }
    void send() {
        drain();
        const auto wire = board_.wire_report(held_.data(), held_.size());
        ASSERT_TRUE(device_->send_input(wire.data(), wire.size())) << device_->last_error();
    }
    // The kernel's notices (open, close) are read so that its queue never fills.
    void drain() {
        panelink::uhid::Event event;
        while (device_ && device_->next_event(event, 0)) {
        }
    }

  private:
    Board board_;
    std::vector<uint8_t> held_;
    std::unique_ptr<VirtualHidDevice> device_;
};

// One event device, opened for reading.
class EventDevice {
  public:
    static std::unique_ptr<EventDevice> open(const std::string &node) {
        const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        libevdev *dev = nullptr;
        if (libevdev_new_from_fd(fd, &dev) != 0) {
            ::close(fd);
            return nullptr;
        }
        libevdev_set_clock_id(dev, CLOCK_MONOTONIC);
        return std::unique_ptr<EventDevice>(new EventDevice(fd, dev, node));
    }
    ~EventDevice() {
        libevdev_free(dev_);
        ::close(fd_);
    }
    EventDevice(const EventDevice &) = delete;
    EventDevice &operator=(const EventDevice &) = delete;

    std::string name() const { return libevdev_get_name(dev_); }
    libevdev *dev() const { return dev_; }
    const std::string &node() const { return node_; }

    // The next event other than a SYN_REPORT, within `timeout_ms`; false on time-out, on a
    // vanished device, and on dropped events (the kernel's queue overflowed).
    bool next(input_event &event, int timeout_ms) {
        const auto until = Clock::now() + milliseconds(timeout_ms);
        for (;;) {
            const int rc = libevdev_next_event(dev_, LIBEVDEV_READ_FLAG_NORMAL, &event);
            if (rc == LIBEVDEV_READ_STATUS_SUCCESS) {
                if (event.type == EV_SYN && event.code == SYN_REPORT)
                    continue;
                return event.type != EV_SYN; // SYN_DROPPED: events were lost
            }
            if (rc != -EAGAIN)
                return false;
            const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now());
            if (left.count() <= 0)
                return false;
            pollfd waiting{fd_, POLLIN, 0};
            ::poll(&waiting, 1, static_cast<int>(left.count()));
        }
    }

  private:
    EventDevice(int fd, libevdev *dev, std::string node) : fd_(fd), dev_(dev), node_(node) {}
    int fd_;
    libevdev *dev_;
    std::string node_;
};

std::vector<std::string> event_nodes() {
    std::vector<std::string> nodes;
    for (const auto &entry : std::filesystem::directory_iterator("/dev/input"))
        if (entry.path().filename().string().rfind("event", 0) == 0)
            nodes.push_back(entry.path().string());
    return nodes;
}

// The devices whose name starts with `prefix`, in the order of their names.
std::vector<std::unique_ptr<EventDevice>> devices_named(const std::string &prefix) {
    std::vector<std::unique_ptr<EventDevice>> found;
    for (const std::string &node : event_nodes()) {
        auto device = EventDevice::open(node);
        if (device && device->name().rfind(prefix, 0) == 0)
            found.push_back(std::move(device));
    }
    std::sort(found.begin(), found.end(),
              [](const auto &a, const auto &b) { return a->name() < b->name(); });
    return found;
}

std::vector<std::unique_ptr<EventDevice>> wait_for_devices(const std::string &prefix, size_t count,
                                                           int timeout_ms) {
    const auto until = Clock::now() + milliseconds(timeout_ms);
    for (;;) {
        auto found = devices_named(prefix);
        if (found.size() >= count || Clock::now() > until)
            return found;
        std::this_thread::sleep_for(milliseconds(1));
    }
}

double cpu_seconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command's closing parenthesis: state is field 3, utime 14, stime 15.
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15)
            stime = std::stol(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

class JoystickKernel : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        big_ = std::make_unique<ServedBoard>(kBigProduct, "D0500-01");
        replug_ = std::make_unique<ServedBoard>(kSmallProduct, "REPLUG");
        big_->plug();
        replug_->plug();
        for (int i = 0; i < kIdleBoards; ++i) {
            idle_.push_back(
                std::make_unique<ServedBoard>(kSmallProduct, "IDLE" + std::to_string(i)));
            idle_.back()->plug();
        }
        const std::string config = "/tmp/joystick-test.json";
        std::ofstream(config) << kConfig;
        service_ = fork();
        if (service_ == 0) {
            execl(PANELINKD_PROGRAM, PANELINKD_PROGRAM, "--joystick", "--config", config.c_str(),
                  static_cast<char *>(nullptr));
            _exit(127);
        }
    }

    static void TearDownTestSuite() {
        if (service_ > 0) {
            kill(service_, SIGKILL);
            waitpid(service_, nullptr, 0);
        }
        idle_.clear();
        replug_.reset();
        big_.reset();
    }

    static pid_t service_;
    static std::unique_ptr<ServedBoard> big_, replug_;
    static std::vector<std::unique_ptr<ServedBoard>> idle_;
};

pid_t JoystickKernel::service_ = -1;
std::unique_ptr<ServedBoard> JoystickKernel::big_, JoystickKernel::replug_;
std::vector<std::unique_ptr<ServedBoard>> JoystickKernel::idle_;

// Every key code a device carries: joystick, gamepad and trigger-happy codes only.
std::vector<unsigned> key_codes(const EventDevice &device) {
    std::vector<unsigned> codes;
    for (unsigned code = 0; code <= KEY_MAX; ++code)
        if (libevdev_has_event_code(device.dev(), EV_KEY, code))
            codes.push_back(code);
    return codes;
}

bool is_joystick_code(unsigned code) {
    return (code >= BTN_JOYSTICK && code <= BTN_THUMBR) ||
           (code >= BTN_TRIGGER_HAPPY1 && code <= BTN_TRIGGER_HAPPY40);
}

TEST_F(JoystickKernel, DevicesCarryJoystickCodesOnlySplitAtTheLimit) {
    const auto big = wait_for_devices(kBigName, 4, 60000);
    ASSERT_EQ(big.size(), 4u);
    const std::vector<size_t> buttons{71, 71, 71, 42}; // 256 inputs, one skipped, two pulses
    for (size_t k = 0; k < 4; ++k) {
        const EventDevice &device = *big[k];
        EXPECT_EQ(device.name(), std::string(kBigName) + " " + std::to_string(k + 1) + "/4");
        EXPECT_EQ(libevdev_get_id_bustype(device.dev()), BUS_VIRTUAL);
        EXPECT_EQ(libevdev_get_id_vendor(device.dev()), 0x12DA);
        EXPECT_EQ(libevdev_get_id_product(device.dev()), kBigProduct);
        EXPECT_EQ(libevdev_get_id_version(device.dev()), k + 1);
        const auto codes = key_codes(device);
        EXPECT_EQ(codes.size(), buttons[k]) << device.name();
        for (unsigned code : codes)
            EXPECT_TRUE(is_joystick_code(code)) << device.name() << " has key code " << code;
        EXPECT_FALSE(libevdev_has_event_type(device.dev(), EV_REL));
        EXPECT_FALSE(libevdev_has_event_type(device.dev(), EV_ABS));
    }
    const auto small = wait_for_devices("Halcyon-64 USB MODULE", kIdleBoards - 1, 30000);
    EXPECT_EQ(small.size(), static_cast<size_t>(kIdleBoards - 1));
    for (const auto &device : small)
        EXPECT_EQ(key_codes(*device).size(), 64u);
    EXPECT_EQ(wait_for_devices(kReplugName, 1, 30000).size(), 1u);
}

TEST_F(JoystickKernel, ButtonPressAndReleaseReachTheirDevice) {
    auto big = wait_for_devices(kBigName, 4, 30000);
    ASSERT_EQ(big.size(), 4u);
    std::this_thread::sleep_for(milliseconds(400)); // past the settle time
    input_event event{};
    for (const auto &[input, device] : {std::pair<uint32_t, size_t>{1, 0}, {73, 1}}) {
        big_->set(input, true);
        ASSERT_TRUE(big[device]->next(event, 5000)) << "input " << input;
        EXPECT_EQ(event.type, EV_KEY);
        EXPECT_EQ(event.code, BTN_TRIGGER);
        EXPECT_EQ(event.value, 1);
        big_->set(input, false);
        ASSERT_TRUE(big[device]->next(event, 5000)) << "input " << input;
        EXPECT_EQ(event.code, BTN_TRIGGER);
        EXPECT_EQ(event.value, 0);
    }
}

TEST_F(JoystickKernel, InvertedInputStartsPressedAndSkippedInputSendsNothing) {
    auto big = wait_for_devices(kBigName, 4, 30000);
    ASSERT_EQ(big.size(), 4u);
    EXPECT_EQ(libevdev_get_event_value(big[0]->dev(), EV_KEY, BTN_THUMB2), 1);
    input_event event{};
    big_->set(3, true);
    ASSERT_TRUE(big[0]->next(event, 5000));
    EXPECT_EQ(event.code, BTN_THUMB2);
    EXPECT_EQ(event.value, 0);
    // Input 4 has no button: the only event of a report that turns on inputs 4 and 7 is
    // input 7's.
    big_->hold(4, true);
    big_->set(7, true);
    ASSERT_TRUE(big[0]->next(event, 5000));
    EXPECT_EQ(event.code, BTN_PINKIE);
    EXPECT_EQ(event.value, 1);
    big_->hold(4, false);
    big_->set(7, false);
    ASSERT_TRUE(big[0]->next(event, 5000));
    EXPECT_EQ(event.code, BTN_PINKIE);
    EXPECT_EQ(event.value, 0);
    big_->set(3, false);
    ASSERT_TRUE(big[0]->next(event, 5000));
    EXPECT_EQ(event.code, BTN_THUMB2);
}

TEST_F(JoystickKernel, EncoderStepIsAPulseOfTheMinimumLength) {
    auto big = wait_for_devices(kBigName, 4, 30000);
    ASSERT_EQ(big.size(), 4u);
    // The board's input is on for 20 ms, less than the pulse.
    big_->set(5, true);
    std::this_thread::sleep_for(milliseconds(20));
    big_->set(5, false);
    input_event press{}, release{};
    ASSERT_TRUE(big[0]->next(press, 5000));
    ASSERT_TRUE(big[0]->next(release, 5000));
    EXPECT_EQ(press.code, BTN_TOP);
    EXPECT_EQ(press.value, 1);
    EXPECT_EQ(release.code, BTN_TOP);
    EXPECT_EQ(release.value, 0);
    const double held_ms = (release.input_event_sec - press.input_event_sec) * 1000.0 +
                           (release.input_event_usec - press.input_event_usec) / 1000.0;
    EXPECT_GE(held_ms, 50.0);
    EXPECT_LT(held_ms, 1000.0);
    std::printf("encoder pulse held %.1f ms (minimum 50)\n", held_ms);
}

TEST_F(JoystickKernel, EncodersDriveARelativeAndAnAbsoluteAxis) {
    auto found = wait_for_devices(kAxisName, 1, 30000);
    ASSERT_EQ(found.size(), 1u);
    EventDevice &device = *found[0];
    EXPECT_EQ(key_codes(device).size(), 60u); // the four encoder inputs take no button
    EXPECT_TRUE(libevdev_has_event_code(device.dev(), EV_REL, REL_DIAL));
    ASSERT_TRUE(libevdev_has_event_code(device.dev(), EV_ABS, ABS_THROTTLE));
    EXPECT_EQ(libevdev_get_abs_minimum(device.dev(), ABS_THROTTLE), 0);
    EXPECT_EQ(libevdev_get_abs_maximum(device.dev(), ABS_THROTTLE), 100);
    EXPECT_EQ(libevdev_get_event_value(device.dev(), EV_ABS, ABS_THROTTLE), 50);
    ServedBoard &board = *idle_[0];
    // Steps a poll apart: clockwise on the dial, then the throttle's input on, off, and its
    // counter-clockwise input on.
    const std::vector<std::tuple<uint32_t, bool, uint16_t, uint16_t, int32_t>> steps{
        {1, true, EV_REL, REL_DIAL, 1},
        {2, true, EV_REL, REL_DIAL, -1},
        {3, true, EV_ABS, ABS_THROTTLE, 60},
        {3, false, 0, 0, 0},
        {4, true, EV_ABS, ABS_THROTTLE, 50}};
    input_event event{};
    for (const auto &[input, on, type, code, value] : steps) {
        board.set(input, on);
        if (type == 0) {
            std::this_thread::sleep_for(milliseconds(40));
            continue;
        }
        ASSERT_TRUE(device.next(event, 5000)) << "input " << input;
        EXPECT_EQ(event.type, type) << "input " << input;
        EXPECT_EQ(event.code, code) << "input " << input;
        EXPECT_EQ(event.value, value) << "input " << input;
    }
}

TEST_F(JoystickKernel, UnpluggedDeviceGoesAndComesBackAlikeWithItsFirstEvents) {
    auto before = wait_for_devices(kReplugName, 1, 30000);
    ASSERT_EQ(before.size(), 1u);
    const int vendor = libevdev_get_id_vendor(before[0]->dev());
    const int product = libevdev_get_id_product(before[0]->dev());
    const int version = libevdev_get_id_version(before[0]->dev());
    before.clear();
    replug_->unplug();
    const auto gone_by = Clock::now() + milliseconds(30000);
    while (!devices_named(kReplugName).empty() && Clock::now() < gone_by)
        std::this_thread::sleep_for(milliseconds(10));
    ASSERT_TRUE(devices_named(kReplugName).empty()) << "the device stayed after the unplug";

    // The board comes back with input 1 on: the device's first event, the press that the
    // board's first report brings, is sent as the device is created. A reader that opens the
    // device as soon as its node appears must still get it.
    std::set<std::string> known;
    for (const std::string &node : event_nodes())
        known.insert(node);
    replug_->set(1, true);
    replug_->plug();
    std::unique_ptr<EventDevice> after;
    auto last_report = Clock::time_point{};
    const auto back_by = Clock::now() + milliseconds(30000);
    while (!after && Clock::now() < back_by) {
        // Reports sent before the service opens the board are lost: repeat until it is there.
        if (Clock::now() - last_report >= milliseconds(20)) {
            replug_->send();
            last_report = Clock::now();
        }
        for (const std::string &node : event_nodes()) {
            if (known.count(node) != 0)
                continue;
            auto device = EventDevice::open(node);
            if (!device)
                continue; // not ready yet: again on the next turn
            known.insert(node);
            if (device->name() == kReplugName)
                after = std::move(device);
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    ASSERT_NE(after, nullptr) << "the device did not come back";
    EXPECT_EQ(libevdev_get_id_vendor(after->dev()), vendor);
    EXPECT_EQ(libevdev_get_id_product(after->dev()), product);
    EXPECT_EQ(libevdev_get_id_version(after->dev()), version);
    input_event event{};
    ASSERT_TRUE(after->next(event, 5000)) << "the device's first event was lost";
    EXPECT_EQ(event.code, BTN_TRIGGER);
    EXPECT_EQ(event.value, 1);
    replug_->set(2, true);
    ASSERT_TRUE(after->next(event, 5000));
    EXPECT_EQ(event.code, BTN_THUMB);
    EXPECT_EQ(event.value, 1);
}

TEST_F(JoystickKernel, LatencyFromInputReportToEvent) {
    auto big = wait_for_devices(kBigName, 4, 30000);
    ASSERT_EQ(big.size(), 4u);
    std::vector<double> latencies;
    input_event event{};
    for (int i = 0; i < 1000; ++i) {
        const bool on = i % 2 == 0;
        const auto sent = Clock::now();
        big_->set(1, on);
        ASSERT_TRUE(big[0]->next(event, 5000)) << "change " << i << " was lost";
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
        ASSERT_EQ(event.code, BTN_TRIGGER);
        ASSERT_EQ(event.value, on ? 1 : 0);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("latency input report -> evdev event over 1000 changes: median %.2f ms, worst "
                "%.2f ms (poll interval 10 ms)\n",
                latencies[latencies.size() / 2], latencies.back());
}

TEST_F(JoystickKernel, IdleServiceCpuWithEightBoards) {
    ASSERT_EQ(wait_for_devices(kBigName, 4, 30000).size(), 4u);
    const double start_cpu = cpu_seconds(service_);
    const auto start = Clock::now();
    std::this_thread::sleep_for(milliseconds(5000));
    const double used = cpu_seconds(service_) - start_cpu;
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("panelinkd CPU with 8 idle joystick boards: %.1f %% of one core over %.1f s\n",
                100.0 * used / wall, wall);
}

TEST_F(JoystickKernel, DevicesAreRemovedWhenTheServiceStops) {
    ASSERT_EQ(wait_for_devices(kBigName, 4, 30000).size(), 4u);
    ASSERT_EQ(kill(service_, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(waitpid(service_, &status, 0), service_);
    service_ = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_TRUE(devices_named(kBigName).empty());
    EXPECT_TRUE(devices_named("Halcyon-64").empty());
    EXPECT_TRUE(devices_named(kAxisName).empty());
    EXPECT_TRUE(devices_named(kReplugName).empty());
}

} // namespace
