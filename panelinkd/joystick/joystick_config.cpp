#include "joystick_config.h"

#include "button_codes.h"

#include <algorithm>
#include <array>
#include <linux/input-event-codes.h>
#include <nlohmann/json.hpp>
#include <set>
#include <string_view>
#include <utility>

namespace panelinkd::joystick {
namespace {

using nlohmann::json;

struct AxisName {
    std::string_view name;
    uint16_t code;
};

constexpr std::array<AxisName, 11> kAbsoluteAxes{{{"x", ABS_X},
                                                  {"y", ABS_Y},
                                                  {"z", ABS_Z},
                                                  {"rx", ABS_RX},
                                                  {"ry", ABS_RY},
                                                  {"rz", ABS_RZ},
                                                  {"throttle", ABS_THROTTLE},
                                                  {"rudder", ABS_RUDDER},
                                                  {"wheel", ABS_WHEEL},
                                                  {"gas", ABS_GAS},
                                                  {"brake", ABS_BRAKE}}};
constexpr std::array<AxisName, 10> kRelativeAxes{{{"x", REL_X},
                                                  {"y", REL_Y},
                                                  {"z", REL_Z},
                                                  {"rx", REL_RX},
                                                  {"ry", REL_RY},
                                                  {"rz", REL_RZ},
                                                  {"hwheel", REL_HWHEEL},
                                                  {"dial", REL_DIAL},
                                                  {"wheel", REL_WHEEL},
                                                  {"misc", REL_MISC}}};

[[noreturn]] void fail(const std::string &where, const std::string &what) {
    throw JoystickConfigError("joystick configuration: " + where + ": " + what);
}

void check_keys(const json &object, const std::string &where,
                std::initializer_list<std::string_view> known) {
    if (!object.is_object())
        fail(where, "must be an object");
    for (const auto &item : object.items()) {
        if (std::find(known.begin(), known.end(), item.key()) == known.end())
            fail(where, "unknown key \"" + item.key() + "\"");
    }
}

int64_t whole_number(const json &value, const std::string &where, int64_t low, int64_t high) {
    if (!value.is_number_integer() || value.get<int64_t>() < low || value.get<int64_t>() > high)
        fail(where,
             "must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    return value.get<int64_t>();
}

bool flag(const json &value, const std::string &where) {
    if (!value.is_boolean())
        fail(where, "must be true or false");
    return value.get<bool>();
}

uint32_t input_number(const std::string &text, const std::string &where) {
    // Decimal digits only, no sign, no leading zero: the key names one input exactly.
    const bool digits =
        !text.empty() && text.size() <= 4 && text[0] != '0' &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const uint32_t number = digits ? static_cast<uint32_t>(std::stoul(text)) : 0;
    if (number < 1 || number > kMaxInputNumber)
        fail(where, "\"" + text + "\" is not an input number from 1 to " +
                        std::to_string(kMaxInputNumber));
    return number;
}

InputSetting parse_input(const json &value, const std::string &where) {
    InputSetting setting;
    if (value.is_string()) {
        const auto word = value.get<std::string>();
        if (word == "skip")
            setting.skip = true;
        else if (word == "invert")
            setting.invert = true;
        else
            fail(where, "must be \"skip\", \"invert\" or an object");
        return setting;
    }
    check_keys(value, where, {"skip", "invert", "button"});
    if (value.contains("skip"))
        setting.skip = flag(value["skip"], where + ".skip");
    if (value.contains("invert"))
        setting.invert = flag(value["invert"], where + ".invert");
    if (value.contains("button"))
        setting.button = static_cast<uint32_t>(
            whole_number(value["button"], where + ".button", 1, kMaxInputNumber));
    if (setting.skip && setting.button)
        fail(where, "a skipped input has no button");
    return setting;
}

uint16_t axis_code(const json &value, const std::string &where, EncoderOutput output) {
    const bool absolute = output == EncoderOutput::AbsoluteAxis;
    std::string names;
    const auto check = [&](const auto &table) -> uint16_t {
        for (const auto &axis : table) {
            if (value.is_string() && value.get<std::string>() == axis.name)
                return axis.code;
            names += (names.empty() ? "" : ", ") + std::string(axis.name);
        }
        fail(where, std::string("must name ") + (absolute ? "an absolute" : "a relative") +
                        " axis: " + names);
    };
    return absolute ? check(kAbsoluteAxes) : check(kRelativeAxes);
}

EncoderOutput encoder_output(const json &value, const std::string &where) {
    if (value == "pulses")
        return EncoderOutput::Pulses;
    if (value == "relative")
        return EncoderOutput::RelativeAxis;
    if (value == "absolute")
        return EncoderOutput::AbsoluteAxis;
    fail(where, "must be \"pulses\", \"relative\" or \"absolute\"");
}

void parse_encoder_axis(const json &value, const std::string &where, EncoderSetting &encoder) {
    constexpr int64_t kLimit = 1'000'000;
    if (!value.contains("axis"))
        fail(where, "an axis output needs \"axis\"");
    encoder.axis = axis_code(value["axis"], where + ".axis", encoder.output);
    if (value.contains("step"))
        encoder.step =
            static_cast<int32_t>(whole_number(value["step"], where + ".step", 1, kLimit));
    if (encoder.output != EncoderOutput::AbsoluteAxis) {
        for (const char *key : {"min", "max", "initial"}) {
            if (value.contains(key))
                fail(where + "." + key, "only an absolute axis has it");
        }
        return;
    }
    if (value.contains("min"))
        encoder.minimum =
            static_cast<int32_t>(whole_number(value["min"], where + ".min", -kLimit, kLimit));
    if (value.contains("max"))
        encoder.maximum =
            static_cast<int32_t>(whole_number(value["max"], where + ".max", -kLimit, kLimit));
    if (encoder.minimum >= encoder.maximum)
        fail(where, "\"min\" must be below \"max\"");
    encoder.initial = encoder.minimum + (encoder.maximum - encoder.minimum) / 2;
    if (value.contains("initial"))
        encoder.initial = static_cast<int32_t>(
            whole_number(value["initial"], where + ".initial", encoder.minimum, encoder.maximum));
}

EncoderSetting parse_encoder(const json &value, const std::string &where) {
    check_keys(value, where, {"inputs", "as", "axis", "step", "min", "max", "initial"});
    EncoderSetting encoder;
    const json &inputs = value.contains("inputs") ? value["inputs"] : json();
    if (!inputs.is_array() || inputs.size() != 2)
        fail(where + ".inputs", "must be two input numbers: clockwise, counter-clockwise");
    encoder.clockwise =
        static_cast<uint32_t>(whole_number(inputs[0], where + ".inputs", 1, kMaxInputNumber));
    encoder.counter_clockwise =
        static_cast<uint32_t>(whole_number(inputs[1], where + ".inputs", 1, kMaxInputNumber));
    if (encoder.clockwise == encoder.counter_clockwise)
        fail(where + ".inputs", "must be two different inputs");
    if (value.contains("as"))
        encoder.output = encoder_output(value["as"], where + ".as");
    if (encoder.output == EncoderOutput::Pulses) {
        for (const char *key : {"axis", "step", "min", "max", "initial"}) {
            if (value.contains(key))
                fail(where + "." + key, "only an axis output has it");
        }
    } else {
        parse_encoder_axis(value, where, encoder);
    }
    return encoder;
}

// Each input has one role, each button one input, each axis one encoder.
void check_board(const BoardSetting &board, const std::string &where) {
    std::set<uint32_t> encoder_inputs;
    std::set<std::pair<EncoderOutput, uint16_t>> axes;
    for (const auto &encoder : board.encoders) {
        for (uint32_t input : {encoder.clockwise, encoder.counter_clockwise}) {
            if (!encoder_inputs.insert(input).second)
                fail(where + ".encoders",
                     "input " + std::to_string(input) + " belongs to two encoders");
            const auto setting = board.inputs.find(input);
            if (encoder.output != EncoderOutput::Pulses && setting != board.inputs.end() &&
                (setting->second.skip || setting->second.button))
                fail(where + ".inputs." + std::to_string(input),
                     "the input drives an axis: it has no button");
        }
        if (encoder.output != EncoderOutput::Pulses &&
            !axes.insert({encoder.output, encoder.axis}).second)
            fail(where + ".encoders", "two encoders drive the same axis");
    }
    std::set<uint32_t> buttons;
    for (const auto &[input, setting] : board.inputs) {
        if (setting.button && !buttons.insert(*setting.button).second)
            fail(where + ".inputs." + std::to_string(input),
                 "button " + std::to_string(*setting.button) + " is given to two inputs");
    }
}

BoardSetting parse_board(const json &value, const std::string &where) {
    check_keys(value, where, {"name", "inputs", "encoders"});
    BoardSetting board;
    if (value.contains("name")) {
        if (!value["name"].is_string() || value["name"].get<std::string>().empty())
            fail(where + ".name", "must be a non-empty text");
        board.name = value["name"].get<std::string>();
    }
    if (value.contains("inputs")) {
        const json &inputs = value["inputs"];
        if (!inputs.is_object())
            fail(where + ".inputs", "must be an object");
        for (const auto &item : inputs.items()) {
            const std::string input_where = where + ".inputs." + item.key();
            const uint32_t number = input_number(item.key(), where + ".inputs");
            board.inputs[number] = parse_input(item.value(), input_where);
        }
    }
    if (value.contains("encoders")) {
        const json &encoders = value["encoders"];
        if (!encoders.is_array())
            fail(where + ".encoders", "must be a list");
        for (std::size_t i = 0; i < encoders.size(); ++i)
            board.encoders.push_back(
                parse_encoder(encoders[i], where + ".encoders[" + std::to_string(i) + "]"));
    }
    check_board(board, where);
    return board;
}

} // namespace

const BoardSetting &JoystickConfig::board(const std::string &board_name) const {
    static const BoardSetting none;
    const auto found = boards.find(board_name);
    return found == boards.end() ? none : found->second;
}

JoystickConfig parse_joystick_config(const json &object) {
    const std::string where = "joystick";
    check_keys(object, where, {"enabled", "buttons_per_device", "pulse_ms", "settle_ms", "boards"});
    JoystickConfig config;
    if (object.contains("enabled"))
        config.enabled = flag(object["enabled"], where + ".enabled");
    if (object.contains("buttons_per_device"))
        config.buttons_per_device = static_cast<uint32_t>(whole_number(
            object["buttons_per_device"], where + ".buttons_per_device", 1, kMaxButtonsPerDevice));
    if (object.contains("pulse_ms"))
        config.pulse = std::chrono::milliseconds(
            whole_number(object["pulse_ms"], where + ".pulse_ms", 10, 1000));
    if (object.contains("settle_ms"))
        config.settle = std::chrono::milliseconds(
            whole_number(object["settle_ms"], where + ".settle_ms", 0, 5000));
    if (!object.contains("boards"))
        return config;
    const json &boards = object["boards"];
    if (!boards.is_object())
        fail(where + ".boards", "must be an object");
    for (const auto &item : boards.items()) {
        const std::string board_where = where + ".boards." + item.key();
        config.boards[item.key()] = parse_board(item.value(), board_where);
    }
    return config;
}

} // namespace panelinkd::joystick
