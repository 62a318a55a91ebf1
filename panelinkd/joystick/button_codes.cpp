#include "button_codes.h"

#include <algorithm>
#include <linux/input-event-codes.h>

namespace panelinkd::joystick {
namespace {

constexpr std::array<uint16_t, kMaxButtonsPerDevice> make_codes() {
    std::array<uint16_t, kMaxButtonsPerDevice> codes{};
    std::size_t next = 0;
    // BTN_JOYSTICK (BTN_TRIGGER) to BTN_DEAD: the joystick block, 0x120 to 0x12f.
    for (uint16_t code = BTN_JOYSTICK; code <= BTN_DEAD; ++code)
        codes[next++] = code;
    // BTN_GAMEPAD (BTN_SOUTH) to BTN_THUMBR: the gamepad block's defined codes, 0x130 to 0x13e.
    for (uint16_t code = BTN_GAMEPAD; code <= BTN_THUMBR; ++code)
        codes[next++] = code;
    for (uint16_t code = BTN_TRIGGER_HAPPY1; code <= BTN_TRIGGER_HAPPY40; ++code)
        codes[next++] = code;
    return codes;
}

constexpr std::array<uint16_t, kMaxButtonsPerDevice> kCodes = make_codes();
static_assert(kCodes.back() == BTN_TRIGGER_HAPPY40, "the code list is full and ends at the last");

} // namespace

const std::array<uint16_t, kMaxButtonsPerDevice> &button_codes() {
    return kCodes;
}

bool is_button_code(uint16_t code) {
    return std::find(kCodes.begin(), kCodes.end(), code) != kCodes.end();
}

} // namespace panelinkd::joystick
