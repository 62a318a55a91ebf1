// How one board appears as virtual joysticks: the devices it is split over (names, identity,
// buttons, axes) and what each of its inputs does. Pure: computed from the board's identity and
// the configuration, the same on every run and every replug, so games keep their bindings.
#pragma once

#include "board_sink.h"
#include "joystick_config.h"

#include <cstdint>
#include <string>
#include <vector>

namespace panelinkd::joystick {

// uinput takes names of up to 79 bytes.
inline constexpr std::size_t kMaxDeviceNameBytes = 79;

struct AxisLayout {
    bool absolute = false;
    uint16_t code = 0;                             // ABS_* or REL_*
    int32_t minimum = 0, maximum = 0, initial = 0; // absolute axes
};

// One virtual device. Its buttons are button_codes()[0 .. button_count).
struct DeviceLayout {
    std::string name;
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    uint16_t version = 0; // the device's position in the board's split, from 1
    uint32_t button_count = 0;
    std::vector<AxisLayout> axes; // the first device carries every axis
};

enum class InputRole : uint8_t {
    None,        // skipped, or an encoder input whose partner lies beyond the board's inputs
    Button,      // the button follows the input
    PulseButton, // an encoder input: each step (the input turning on) pulses the button
    AxisStep,    // an encoder input: each step moves an axis by `step`
};

struct InputLayout {
    InputRole role = InputRole::None;
    bool invert = false;
    uint16_t device = 0; // index in JoystickLayout::devices
    uint16_t code = 0;   // key code of the button, or the axis code
    uint16_t axis = 0;   // AxisStep: index in JoystickLayout::axes
    uint16_t pulse = 0;  // PulseButton: index of the button's pulse train
    int32_t step = 0;    // AxisStep: signed change per step
};

struct JoystickLayout {
    std::vector<DeviceLayout> devices; // empty when the board gives no button and no axis
    std::vector<InputLayout> inputs;   // one per input of the board, 0-based
    std::vector<AxisLayout> axes;      // the same as devices[0].axes
    uint32_t pulse_trains = 0;         // PulseButton inputs
    std::vector<std::string> warnings; // configuration that does not fit this board
};

// The joystick layout of `board` under `config`.
JoystickLayout make_layout(const BoardInfo &board, const JoystickConfig &config);

// "<base> k/n" for device k of n (just "<base>" when n is 1), the base cut at a character
// boundary so that the whole name fits kMaxDeviceNameBytes.
std::string device_name(const std::string &base, uint32_t k, uint32_t n);

} // namespace panelinkd::joystick
