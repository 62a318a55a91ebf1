// A board's inputs as joystick devices: the split at the button limit, the names, the codes each
// input gets, and what the mapping's settings change.
#include "button_codes.h"
#include "joystick_layout.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <nlohmann/json.hpp>

namespace panelinkd::joystick {
namespace {

BoardInfo board_with(uint32_t inputs, std::string product = "Halcyon-256 USB MODULE") {
    BoardInfo board;
    board.name = "panel";
    board.product = std::move(product);
    board.path = "/dev/hidraw0#vid_12da&pid_0900";
    board.vendor_id = 0x12DA;
    board.product_id = 0x0900;
    board.version = 0x0102;
    board.input_count = inputs;
    return board;
}

JoystickConfig config_from(const char *text) {
    return parse_joystick_config(nlohmann::json::parse(text));
}

TEST(ButtonCodes, AreJoystickAndGamepadCodesInRisingOrder) {
    const auto &codes = button_codes();
    EXPECT_EQ(codes.front(), BTN_TRIGGER);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const uint16_t code = codes[i];
        const bool joystick = code >= BTN_JOYSTICK && code <= BTN_THUMBR;
        const bool trigger_happy = code >= BTN_TRIGGER_HAPPY1 && code <= BTN_TRIGGER_HAPPY40;
        EXPECT_TRUE(joystick || trigger_happy) << "code " << code;
        if (i > 0) {
            EXPECT_LT(codes[i - 1], code);
        }
        EXPECT_TRUE(is_button_code(code));
    }
    EXPECT_FALSE(is_button_code(KEY_A));
    EXPECT_FALSE(is_button_code(BTN_LEFT));
}

struct Split {
    uint32_t inputs;
    const char *config;
    std::vector<std::string> names;
    std::vector<uint32_t> buttons;
};

void PrintTo(const Split &c, std::ostream *out) {
    *out << c.inputs << " inputs, " << c.config;
}

class LayoutSplit : public ::testing::TestWithParam<Split> {};

TEST_P(LayoutSplit, GivesDevicesNamedInOrder) {
    const Split &split = GetParam();
    const JoystickLayout layout = make_layout(board_with(split.inputs), config_from(split.config));
    std::vector<std::string> names;
    std::vector<uint32_t> buttons;
    for (std::size_t k = 0; k < layout.devices.size(); ++k) {
        const DeviceLayout &device = layout.devices[k];
        names.push_back(device.name);
        buttons.push_back(device.button_count);
        EXPECT_EQ(device.vendor_id, 0x12DA);
        EXPECT_EQ(device.product_id, 0x0900);
        EXPECT_EQ(device.version, k + 1); // not the firmware's: stable across updates
    }
    EXPECT_EQ(names, split.names);
    EXPECT_EQ(buttons, split.buttons);
}

INSTANTIATE_TEST_SUITE_P(
    Boards, LayoutSplit,
    ::testing::Values(
        Split{32, "{}", {"Halcyon-256 USB MODULE"}, {32}},
        Split{71, "{}", {"Halcyon-256 USB MODULE"}, {71}},
        Split{72, "{}", {"Halcyon-256 USB MODULE 1/2", "Halcyon-256 USB MODULE 2/2"}, {71, 1}},
        Split{256,
              "{}",
              {"Halcyon-256 USB MODULE 1/4", "Halcyon-256 USB MODULE 2/4",
               "Halcyon-256 USB MODULE 3/4", "Halcyon-256 USB MODULE 4/4"},
              {71, 71, 71, 43}},
        Split{64,
              R"({"buttons_per_device": 32})",
              {"Halcyon-256 USB MODULE 1/2", "Halcyon-256 USB MODULE 2/2"},
              {32, 32}},
        // Skipped inputs take no button, so two fit again on one device.
        Split{72,
              R"({"boards": {"panel": {"inputs": {"1": "skip"}}}})",
              {"Halcyon-256 USB MODULE"},
              {71}},
        // A button placed beyond the others leaves the numbers between unused but present.
        Split{4,
              R"({"boards": {"panel": {"name": "Pedestal", "inputs": {"2": {"button": 80}}}}})",
              {"Pedestal 1/2", "Pedestal 2/2"},
              {71, 9}},
        // Every input skipped: no device at all.
        Split{2, R"({"boards": {"panel": {"inputs": {"1": "skip", "2": "skip"}}}})", {}, {}},
        // Only an axis: one device without buttons.
        Split{
            2,
            R"({"boards": {"panel": {"encoders": [{"inputs": [1, 2], "as": "relative", "axis": "dial"}]}}})",
            {"Halcyon-256 USB MODULE"},
            {0}},
        Split{0, "{}", {}, {}}));

TEST(Layout, InputsTakeButtonsInOrderAroundTheConfiguredOnes) {
    const JoystickLayout layout =
        make_layout(board_with(6), config_from(R"({"boards": {"panel": {"inputs": {
            "2": "skip", "3": {"button": 1}, "5": {"invert": true}}}}})"));
    const auto &codes = button_codes();
    const std::vector<InputRole> roles{InputRole::Button, InputRole::None,   InputRole::Button,
                                       InputRole::Button, InputRole::Button, InputRole::Button};
    // Input 3 is button 1; inputs 1, 4, 5, 6 take the free numbers 2, 3, 4, 5.
    const std::vector<uint16_t> expected{codes[1], 0, codes[0], codes[2], codes[3], codes[4]};
    ASSERT_EQ(layout.inputs.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(layout.inputs[i].role, roles[i]) << "input " << i + 1;
        EXPECT_EQ(layout.inputs[i].code, expected[i]) << "input " << i + 1;
        EXPECT_EQ(layout.inputs[i].invert, i == 4) << "input " << i + 1;
    }
    EXPECT_EQ(layout.devices.at(0).button_count, 5u);
}

TEST(Layout, SecondDeviceStartsAgainAtTheFirstCode) {
    const JoystickLayout layout = make_layout(board_with(256), JoystickConfig{});
    const auto &codes = button_codes();
    const std::vector<std::pair<uint32_t, std::pair<uint16_t, uint16_t>>> cases{
        {0, {0, codes[0]}},    {70, {0, codes[70]}}, {71, {1, codes[0]}},
        {141, {1, codes[70]}}, {213, {3, codes[0]}}, {255, {3, codes[42]}}};
    for (const auto &[input, where] : cases) {
        EXPECT_EQ(layout.inputs[input].device, where.first) << "input " << input + 1;
        EXPECT_EQ(layout.inputs[input].code, where.second) << "input " << input + 1;
    }
}

TEST(Layout, EncodersBecomePulseButtonsOrAxisSteps) {
    const JoystickLayout layout =
        make_layout(board_with(8), config_from(R"({"boards": {"panel": {"encoders": [
            {"inputs": [2, 1]},
            {"inputs": [3, 4], "as": "relative", "axis": "wheel", "step": 3},
            {"inputs": [5, 6], "as": "absolute", "axis": "rz", "min": 0, "max": 100}]}}})"));
    const auto &in = layout.inputs;
    EXPECT_EQ(in[0].role, InputRole::PulseButton);
    EXPECT_EQ(in[1].role, InputRole::PulseButton);
    EXPECT_EQ(in[0].code, button_codes()[0]); // buttons follow input order, not encoder order
    EXPECT_NE(in[0].pulse, in[1].pulse);
    EXPECT_EQ(layout.pulse_trains, 2u);
    EXPECT_EQ(in[2].role, InputRole::AxisStep);
    EXPECT_EQ(in[2].step, 3);
    EXPECT_EQ(in[3].step, -3);
    EXPECT_EQ(in[4].axis, 1);
    EXPECT_EQ(in[5].step, -1);
    // Inputs 7 and 8 are buttons 3 and 4: the axis inputs take no button.
    EXPECT_EQ(in[6].code, button_codes()[2]);
    EXPECT_EQ(in[7].code, button_codes()[3]);
    ASSERT_EQ(layout.devices.size(), 1u);
    ASSERT_EQ(layout.devices[0].axes.size(), 2u);
    EXPECT_FALSE(layout.devices[0].axes[0].absolute);
    EXPECT_EQ(layout.devices[0].axes[0].code, REL_WHEEL);
    EXPECT_TRUE(layout.devices[0].axes[1].absolute);
    EXPECT_EQ(layout.devices[0].axes[1].code, ABS_RZ);
    EXPECT_EQ(layout.devices[0].axes[1].initial, 50);
}

TEST(Layout, SettingsBeyondTheBoardAreLeftOutWithAWarning) {
    const JoystickLayout layout =
        make_layout(board_with(4), config_from(R"({"boards": {"panel": {"inputs": {"9": "invert"},
            "encoders": [{"inputs": [4, 5]}]}}})"));
    ASSERT_EQ(layout.warnings.size(), 2u);
    EXPECT_NE(layout.warnings[0].find("inputs 4 and 5"), std::string::npos);
    EXPECT_NE(layout.warnings[1].find("input 9"), std::string::npos);
    EXPECT_EQ(layout.inputs[3].role, InputRole::Button);
    EXPECT_EQ(layout.devices.at(0).button_count, 4u);
}

TEST(DeviceName, FitsUinputsLimitWithoutCuttingACharacter) {
    const std::string long_ascii(100, 'a');
    EXPECT_EQ(device_name(long_ascii, 2, 4), std::string(75, 'a') + " 2/4");
    EXPECT_EQ(device_name(long_ascii, 1, 1), std::string(79, 'a'));
    // "é" is two bytes: 40 of them are 80 bytes; the cut falls between two of them.
    std::string accents;
    for (int i = 0; i < 40; ++i)
        accents += "\xc3\xa9";
    const std::string cut = device_name(accents, 3, 4);
    EXPECT_LE(cut.size(), kMaxDeviceNameBytes);
    EXPECT_EQ(cut, accents.substr(0, 74) + " 3/4");
    EXPECT_EQ(device_name("Panel", 1, 1), "Panel");
}

TEST(Layout, NamesTheDevicesAfterTheBoardWhenTheProductHasNoText) {
    const JoystickLayout layout = make_layout(board_with(3, ""), JoystickConfig{});
    EXPECT_EQ(layout.devices.at(0).name, "panel");
}

} // namespace
} // namespace panelinkd::joystick
