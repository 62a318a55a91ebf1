// The joystick output as the service starts it: off unless asked for, a configuration mistake
// refused as such, and a clear error when uinput cannot be used.
#include "joystick_output.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace panelinkd::joystick {
namespace {

struct Start {
    const char *arguments; // after the program's name
    const char *joystick;  // the configuration's "joystick" object ("" for none)
    const char *outcome;   // "off", "config: <text>" or "failure: <text>"
};

void PrintTo(const Start &c, std::ostream *out) {
    *out << "[" << c.arguments << "] " << (*c.joystick ? c.joystick : "no joystick object");
}

class JoystickOutputStart : public ::testing::TestWithParam<Start> {};

TEST_P(JoystickOutputStart, EndsAsExpected) {
    const Start &start = GetParam();
    JoystickOutput output("/nonexistent/uinput");
    CLI::App app;
    output.add_options(app);
    app.parse(std::string(start.arguments), false);
    Config config;
    if (*start.joystick != '\0')
        config.joystick = nlohmann::json::parse(start.joystick);
    BoardRegistry registry;
    const std::string expected = start.outcome;
    try {
        BoardSink *sink = output.start(config, registry);
        EXPECT_EQ(expected, "off");
        EXPECT_EQ(sink, nullptr);
    } catch (const ConfigError &error) {
        EXPECT_EQ(expected.rfind("config: ", 0), 0u) << error.what();
        EXPECT_NE(std::string(error.what()).find(expected.substr(8)), std::string::npos)
            << error.what();
    } catch (const std::runtime_error &error) {
        EXPECT_EQ(expected.rfind("failure: ", 0), 0u) << error.what();
        EXPECT_NE(std::string(error.what()).find(expected.substr(9)), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoystickOutputStart,
    ::testing::Values(
        Start{"", "", "off"}, Start{"", R"({"pulse_ms": 80})", "off"},
        Start{"", R"({"enabled": false})", "off"},
        Start{"--joystick", "",
              "failure: cannot open /nonexistent/uinput (No such file or directory): the kernel's "
              "uinput module is not loaded; load it with `modprobe uinput`"},
        Start{"", R"({"enabled": true})", "failure: modprobe uinput"},
        // A mistake is refused even when the output is off.
        Start{"", R"({"pulse_ms": 1})", "config: joystick.pulse_ms"},
        Start{"--joystick", R"({"boards": {"b": {"inputs": {"x": 1}}}})",
              "config: \"x\" is not an input number"}));

} // namespace
} // namespace panelinkd::joystick
