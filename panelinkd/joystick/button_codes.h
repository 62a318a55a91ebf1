// The key codes the virtual joysticks give their buttons: joystick and gamepad codes only, never
// keyboard codes (a device with keyboard codes looks like a keyboard to the desktop and to games).
// Games number a device's buttons in the order of their codes, so button n of a device is the
// n-th code of this list.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace panelinkd::joystick {

// The buttons one virtual device carries at the most: the joystick block (16 codes), the gamepad
// block (15) and the trigger-happy range (40). A board with more buttons is split over several
// devices.
inline constexpr std::size_t kMaxButtonsPerDevice = 71;

// The codes in button order (button 1 is the first).
const std::array<uint16_t, kMaxButtonsPerDevice> &button_codes();

// Whether `code` is one of button_codes().
bool is_button_code(uint16_t code);

} // namespace panelinkd::joystick
