// The "joystick" object of the configuration file: accepted settings, and each kind of mistake
// refused with a message that names the key.
#include "joystick_config.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <nlohmann/json.hpp>

namespace panelinkd::joystick {
namespace {

using nlohmann::json;

TEST(JoystickConfig, EmptyObjectGivesTheDefaults) {
    const JoystickConfig config = parse_joystick_config(json::object());
    EXPECT_FALSE(config.enabled);
    EXPECT_EQ(config.buttons_per_device, 71u);
    EXPECT_EQ(config.pulse.count(), 50);
    EXPECT_EQ(config.settle.count(), 500);
    EXPECT_TRUE(config.board("any").inputs.empty());
}

TEST(JoystickConfig, ReadsAFullBoardSetting) {
    const JoystickConfig config = parse_joystick_config(json::parse(R"({
      "enabled": true, "buttons_per_device": 32, "pulse_ms": 80, "settle_ms": 0,
      "boards": {"overhead": {
        "name": "Overhead panel",
        "inputs": {"3": "skip", "4": "invert", "5": {"button": 20, "invert": true}},
        "encoders": [
          {"inputs": [10, 11]},
          {"inputs": [12, 13], "as": "relative", "axis": "dial", "step": 2},
          {"inputs": [14, 15], "as": "absolute", "axis": "throttle", "min": 0, "max": 255,
           "step": 8, "initial": 0}]}}})"));
    EXPECT_TRUE(config.enabled);
    EXPECT_EQ(config.buttons_per_device, 32u);
    EXPECT_EQ(config.pulse.count(), 80);
    EXPECT_EQ(config.settle.count(), 0);
    const BoardSetting &board = config.board("overhead");
    EXPECT_EQ(board.name, "Overhead panel");
    EXPECT_TRUE(board.inputs.at(3).skip);
    EXPECT_TRUE(board.inputs.at(4).invert);
    EXPECT_EQ(board.inputs.at(5).button, 20u);
    EXPECT_TRUE(board.inputs.at(5).invert);
    ASSERT_EQ(board.encoders.size(), 3u);
    EXPECT_EQ(board.encoders[0].output, EncoderOutput::Pulses);
    EXPECT_EQ(board.encoders[1].output, EncoderOutput::RelativeAxis);
    EXPECT_EQ(board.encoders[1].axis, REL_DIAL);
    EXPECT_EQ(board.encoders[1].step, 2);
    EXPECT_EQ(board.encoders[2].axis, ABS_THROTTLE);
    EXPECT_EQ(board.encoders[2].maximum, 255);
    EXPECT_EQ(board.encoders[2].initial, 0);
    EXPECT_TRUE(config.board("other").encoders.empty());
}

TEST(JoystickConfig, AbsoluteAxisStartsInTheMiddleUnlessTold) {
    const JoystickConfig config = parse_joystick_config(json::parse(
        R"({"boards": {"b": {"encoders": [{"inputs": [1, 2], "as": "absolute", "axis": "x",
            "min": -100, "max": 300}]}}})"));
    EXPECT_EQ(config.board("b").encoders[0].initial, 100);
}

struct BadConfig {
    const char *json;
    const char *message; // a part of the error's text
};

void PrintTo(const BadConfig &c, std::ostream *out) {
    *out << c.json;
}

class JoystickConfigRefuses : public ::testing::TestWithParam<BadConfig> {};

TEST_P(JoystickConfigRefuses, NamingTheKey) {
    try {
        parse_joystick_config(json::parse(GetParam().json));
        FAIL() << "accepted " << GetParam().json;
    } catch (const JoystickConfigError &error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, JoystickConfigRefuses,
    ::testing::Values(
        BadConfig{R"([])", "joystick: must be an object"},
        BadConfig{R"({"enable": true})", "unknown key \"enable\""},
        BadConfig{R"({"enabled": 1})", "joystick.enabled: must be true or false"},
        BadConfig{R"({"buttons_per_device": 72})",
                  "buttons_per_device: must be a whole number from 1 to 71"},
        BadConfig{R"({"buttons_per_device": 0})", "from 1 to 71"},
        BadConfig{R"({"pulse_ms": 5})", "pulse_ms: must be a whole number from 10 to 1000"},
        BadConfig{R"({"pulse_ms": 50.5})", "pulse_ms"},
        BadConfig{R"({"settle_ms": -1})", "settle_ms"},
        BadConfig{R"({"boards": []})", "joystick.boards: must be an object"},
        BadConfig{R"({"boards": {"b": {"colour": 1}}})",
                  "joystick.boards.b: unknown key \"colour\""},
        BadConfig{R"({"boards": {"b": {"name": ""}}})", "name: must be a non-empty text"},
        BadConfig{R"({"boards": {"b": {"inputs": {"0": "skip"}}}})",
                  "\"0\" is not an input number"},
        BadConfig{R"({"boards": {"b": {"inputs": {"513": "skip"}}}})",
                  "\"513\" is not an input number"},
        BadConfig{R"({"boards": {"b": {"inputs": {"07": "skip"}}}})",
                  "\"07\" is not an input number"},
        BadConfig{R"({"boards": {"b": {"inputs": {"x": "skip"}}}})",
                  "\"x\" is not an input number"},
        BadConfig{R"({"boards": {"b": {"inputs": {"1": "hide"}}}})",
                  "must be \"skip\", \"invert\" or an object"},
        BadConfig{R"({"boards": {"b": {"inputs": {"1": {"button": 0}}}}})",
                  "button: must be a whole number from 1 to 512"},
        BadConfig{R"({"boards": {"b": {"inputs": {"1": {"skip": true, "button": 2}}}}})",
                  "a skipped input has no button"},
        BadConfig{R"({"boards": {"b": {"inputs": {"1": {"button": 4}, "2": {"button": 4}}}}})",
                  "button 4 is given to two inputs"},
        BadConfig{R"({"boards": {"b": {"encoders": {}}}})", "encoders: must be a list"},
        BadConfig{R"({"boards": {"b": {"encoders": [{"inputs": [1]}]}}})",
                  "must be two input numbers"},
        BadConfig{R"({"boards": {"b": {"encoders": [{"inputs": [3, 3]}]}}})",
                  "must be two different inputs"},
        BadConfig{R"({"boards": {"b": {"encoders": [{"inputs": [1, 2]}, {"inputs": [2, 3]}]}}})",
                  "input 2 belongs to two encoders"},
        BadConfig{R"({"boards": {"b": {"encoders": [{"inputs": [1, 2], "as": "spin"}]}}})",
                  "must be \"pulses\", \"relative\" or \"absolute\""},
        BadConfig{R"({"boards": {"b": {"encoders": [{"inputs": [1, 2], "as": "relative"}]}}})",
                  "an axis output needs \"axis\""},
        BadConfig{
            R"({"boards": {"b": {"encoders": [{"inputs": [1, 2], "as": "relative", "axis": "throttle"}]}}})",
            "must name a relative axis"},
        BadConfig{
            R"({"boards": {"b": {"encoders": [{"inputs": [1, 2], "as": "absolute", "axis": "dial"}]}}})",
            "must name an absolute axis"},
        BadConfig{R"({"boards": {"b": {"encoders": [{"inputs": [1, 2], "axis": "x"}]}}})",
                  "only an axis output has it"},
        BadConfig{
            R"({"boards": {"b": {"encoders": [{"inputs": [1, 2], "as": "relative", "axis": "x", "max": 3}]}}})",
            "only an absolute axis has it"},
        BadConfig{
            R"({"boards": {"b": {"encoders": [{"inputs": [1, 2], "as": "absolute", "axis": "x", "min": 5, "max": 5}]}}})",
            "\"min\" must be below \"max\""},
        BadConfig{
            R"({"boards": {"b": {"encoders": [{"inputs": [1, 2], "as": "absolute", "axis": "x", "max": 9, "initial": 10}]}}})",
            "initial: must be a whole number from 0 to 9"},
        BadConfig{
            R"({"boards": {"b": {"encoders": [{"inputs": [1, 2], "as": "absolute", "axis": "x"}, {"inputs": [3, 4], "as": "absolute", "axis": "x"}]}}})",
            "two encoders drive the same axis"},
        BadConfig{
            R"({"boards": {"b": {"inputs": {"2": {"button": 9}}, "encoders": [{"inputs": [1, 2], "as": "relative", "axis": "x"}]}}})",
            "the input drives an axis: it has no button"}));

} // namespace
} // namespace panelinkd::joystick
