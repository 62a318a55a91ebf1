// The joystick output's settings: the "joystick" object of the service's configuration file.
//
//   "joystick": {
//     "enabled": true,              serve the joysticks (as --joystick does); default false
//     "buttons_per_device": 71,     buttons per virtual device before the board is split (1-71)
//     "pulse_ms": 50,               an encoder step's button press and the pause after it (10-1000)
//     "settle_ms": 500,             time a new device gets before its first event (0-5000)
//     "boards": {                   per board, by the board's name in the service
//       "NAME": {
//         "name": "Overhead panel", the devices' name instead of the board's product text
//         "inputs": {               by input number, from 1 as `panelink watch` shows them
//           "3": "skip",            no button for input 3
//           "4": "invert",          button 4 pressed while the input is off
//           "5": {"button": 20, "invert": true}   input 5 is button 20 (from 1), inverted
//         },
//         "encoders": [             input pairs: clockwise, then counter-clockwise
//           {"inputs": [10, 11]},                       one button pulse per step (the default)
//           {"inputs": [12, 13], "as": "relative", "axis": "dial", "step": 1},
//           {"inputs": [14, 15], "as": "absolute", "axis": "throttle",
//            "min": 0, "max": 255, "step": 8, "initial": 0}
//         ]
//       }
//     }
//   }
//
// Every key is checked: an unknown key or a value out of range is an error that names it.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace panelinkd::joystick {

// Input and button numbers in the configuration go up to the most inputs a board reports.
inline constexpr uint32_t kMaxInputNumber = 512;

struct InputSetting {
    bool skip = false;
    bool invert = false;
    std::optional<uint32_t> button; // 1-based button number on the board's devices
};

enum class EncoderOutput { Pulses, RelativeAxis, AbsoluteAxis };

struct EncoderSetting {
    uint32_t clockwise = 0;         // input number, from 1
    uint32_t counter_clockwise = 0; // input number, from 1
    EncoderOutput output = EncoderOutput::Pulses;
    uint16_t axis = 0; // the axis code (ABS_* or REL_*), for the axis outputs
    int32_t step = 1;  // axis change per step
    int32_t minimum = 0;
    int32_t maximum = 1023;
    int32_t initial = 511; // absolute axis value when the board comes online
};

struct BoardSetting {
    std::string name; // the devices' base name; empty: the board's product text
    std::map<uint32_t, InputSetting> inputs; // by input number, from 1
    std::vector<EncoderSetting> encoders;
};

struct JoystickConfig {
    bool enabled = false;
    uint32_t buttons_per_device = 71;
    std::chrono::milliseconds pulse{50};
    std::chrono::milliseconds settle{500};
    std::map<std::string, BoardSetting> boards; // by the board's name in the service

    // The setting of the board named `board_name`, or an empty one.
    const BoardSetting &board(const std::string &board_name) const;
};

class JoystickConfigError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the "joystick" object. Throws JoystickConfigError naming the first key that is wrong.
JoystickConfig parse_joystick_config(const nlohmann::json &object);

} // namespace panelinkd::joystick
