// The joystick output as the service drives it: boards online and offline, input changes, and
// what the devices receive, on recording devices.
#include "button_codes.h"
#include "joystick_sink.h"
#include "recording_device.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <nlohmann/json.hpp>

namespace panelinkd::joystick {
namespace {

using std::chrono::milliseconds;
using testing::RecordedEvent;
using testing::RecordingFactory;

const uint16_t kButton1 = button_codes()[0];
const uint16_t kButton2 = button_codes()[1];
const uint16_t kButton3 = button_codes()[2];

RecordedEvent key(const std::string &device, uint16_t code, int32_t value) {
    return {device, EV_KEY, code, value};
}
RecordedEvent sync(const std::string &device) {
    return {device, EV_SYN, SYN_REPORT, 0};
}

class SinkTest : public ::testing::Test {
  protected:
    void start(const char *config_text, uint32_t inputs) {
        config = parse_joystick_config(nlohmann::json::parse(config_text));
        sink = std::make_unique<JoystickSink>(
            config, factory,
            [this](JoystickSink::Severity, const std::string &line) { log.push_back(line); });
        board.name = "panel";
        board.product = "Panel";
        board.path = "/dev/hidraw1#vid_12da&pid_0900";
        board.vendor_id = 0x12DA;
        board.product_id = 0x0900;
        board.input_count = inputs;
        states.assign(inputs, 0);
    }

    void online() { sink->board_online(board, states); }

    // Sets input `number` (from 1) and tells the sink.
    void set(uint32_t number, bool on) {
        states[number - 1] = on ? 1 : 0;
        const uint32_t changed[] = {number - 1};
        sink->inputs_changed(board, states, changed, Clock::now());
    }

    bool log_has(const std::string &part) const {
        for (const auto &line : log)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }

    RecordingFactory factory;
    JoystickConfig config;
    std::unique_ptr<JoystickSink> sink;
    std::vector<std::string> log;
    BoardInfo board;
    std::vector<uint8_t> states;
};

TEST_F(SinkTest, PressAndReleaseReachTheButtonEachInItsOwnReport) {
    start(R"({"settle_ms": 0})", 4);
    online();
    EXPECT_EQ(factory.live, std::vector<std::string>{"Panel"});
    EXPECT_TRUE(factory.take().empty()); // all released at the start: nothing to send
    set(2, true);
    set(2, false);
    EXPECT_EQ(factory.take(),
              (std::vector<RecordedEvent>{key("Panel", kButton2, 1), sync("Panel"),
                                          key("Panel", kButton2, 0), sync("Panel")}));
}

TEST_F(SinkTest, OneReportForSeveralChangesOfOneReadout) {
    start(R"({"settle_ms": 0})", 4);
    online();
    states = {1, 0, 1, 0};
    const uint32_t changed[] = {0, 2};
    sink->inputs_changed(board, states, changed, Clock::now());
    EXPECT_EQ(factory.take(),
              (std::vector<RecordedEvent>{key("Panel", kButton1, 1), key("Panel", kButton3, 1),
                                          sync("Panel")}));
}

TEST_F(SinkTest, EventsOfTheSettleTimeWaitAndKeepTheirOrder) {
    start(R"({"settle_ms": 500})", 3);
    states[2] = 1;
    online();
    set(1, true);
    set(1, false);
    EXPECT_TRUE(factory.take().empty());
    sink->tick(Clock::now());
    EXPECT_TRUE(factory.take().empty()); // still settling
    sink->tick(Clock::now() + milliseconds(600));
    EXPECT_EQ(factory.take(),
              (std::vector<RecordedEvent>{key("Panel", kButton3, 1), sync("Panel"),
                                          key("Panel", kButton1, 1), sync("Panel"),
                                          key("Panel", kButton1, 0), sync("Panel")}));
}

TEST_F(SinkTest, AnOverflowingSettleTimeEndsInTheCurrentState) {
    start(R"({"settle_ms": 500})", 2);
    online();
    for (std::size_t i = 0; i < BoardJoystick::kQueueCapacity; ++i)
        set(1, i % 2 == 0);
    set(2, true);
    ASSERT_TRUE(states[0] == 0 && states[1] == 1);
    sink->tick(Clock::now() + milliseconds(600));
    EXPECT_EQ(factory.take(),
              (std::vector<RecordedEvent>{key("Panel", kButton2, 1), sync("Panel")}));
}

TEST_F(SinkTest, FastEncoderStepsBecomeOnePulseEach) {
    start(
        R"({"settle_ms": 0, "pulse_ms": 10, "boards": {"panel": {"encoders": [{"inputs": [1, 2]}]}}})",
        2);
    online();
    for (int i = 0; i < 3; ++i) {
        set(2, true);
        set(2, false);
    }
    int presses = 0, releases = 0;
    Clock::time_point now = Clock::now();
    for (int turn = 0; turn < 20; ++turn) {
        now += milliseconds(10);
        sink->tick(now);
        for (const RecordedEvent &event : factory.take()) {
            if (event.type != EV_KEY)
                continue;
            EXPECT_EQ(event.code, kButton2);
            (event.value ? presses : releases) += 1;
        }
    }
    EXPECT_EQ(presses, 3);
    EXPECT_EQ(releases, 3);
}

TEST_F(SinkTest, EncodersDriveRelativeAndAbsoluteAxes) {
    start(R"({"settle_ms": 0, "boards": {"panel": {"encoders": [
        {"inputs": [1, 2], "as": "relative", "axis": "dial", "step": 2},
        {"inputs": [3, 4], "as": "absolute", "axis": "throttle", "min": 0, "max": 10, "step": 4,
         "initial": 5}]}}})",
          4);
    online();
    set(1, true);
    set(1, false); // the end of a step moves nothing
    set(2, true);
    EXPECT_EQ(factory.take(), (std::vector<RecordedEvent>{{"Panel", EV_REL, REL_DIAL, 2},
                                                          sync("Panel"),
                                                          {"Panel", EV_REL, REL_DIAL, -2},
                                                          sync("Panel")}));
    const std::vector<int32_t> expected{9, 10, 6};
    set(3, true), set(3, false), set(3, true), set(3, false), set(3, true); // 9, 10 (held at max)
    set(4, true);                                                           // 6
    std::vector<int32_t> values;
    for (const RecordedEvent &event : factory.take()) {
        if (event.type == EV_ABS) {
            EXPECT_EQ(event.code, ABS_THROTTLE);
            values.push_back(event.value);
        }
    }
    EXPECT_EQ(values, expected);
}

TEST_F(SinkTest, DevicesGoWithTheBoardAndComeBackTheSame) {
    start(R"({"settle_ms": 0, "buttons_per_device": 4})", 6);
    online();
    const std::vector<std::string> names = factory.live;
    sink->board_offline(board);
    EXPECT_TRUE(factory.live.empty());
    set(1, true); // a late change of a board that is gone goes nowhere
    EXPECT_TRUE(factory.take().empty());
    board.path = "/dev/hidraw4#vid_12da&pid_0900"; // replugged elsewhere
    states.assign(6, 0);
    online();
    EXPECT_EQ(factory.live, names);
    sink.reset(); // the service stops
    EXPECT_TRUE(factory.live.empty());
}

TEST_F(SinkTest, ACreationFailureIsLoggedAndLeavesNoDevice) {
    start(R"({"settle_ms": 0, "buttons_per_device": 2})", 6);
    factory.fail_at = 1;
    online();
    EXPECT_TRUE(factory.live.empty());
    EXPECT_TRUE(log_has("joystick: board panel: no permission to open /dev/uinput"));
    EXPECT_EQ(sink->board(board.path), nullptr);
    set(1, true);
    EXPECT_TRUE(factory.take().empty());
}

TEST_F(SinkTest, RefusedWritesAreLoggedOnce) {
    start(R"({"settle_ms": 0})", 2);
    online();
    factory.refuse_writes = true;
    set(1, true);
    set(1, false);
    int lines = 0;
    for (const auto &line : log)
        lines += line.find("refused") != std::string::npos ? 1 : 0;
    EXPECT_EQ(lines, 1);
}

TEST_F(SinkTest, ABoardWithoutButtonsOrAxesGetsNoDevice) {
    start(R"({"boards": {"panel": {"inputs": {"1": "skip"}}}})", 1);
    online();
    EXPECT_TRUE(factory.created.empty());
    EXPECT_TRUE(log_has("no joystick"));
}

} // namespace
} // namespace panelinkd::joystick
