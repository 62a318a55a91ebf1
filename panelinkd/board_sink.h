// The service's outputs (the MQTT bridge, the virtual joysticks) see the boards through this
// interface: the service detects the boards, follows plug and unplug, polls their inputs, and
// tells every sink what happened, on the service's polling thread, in order.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace panelinkd {

// A board interface as the sinks see it. `name` is stable across replugs and USB ports: from the
// product ID and serial number by default, or set in the configuration.
struct BoardInfo {
    std::string name;
    std::string product; // the board's product name, as the library fills it
    std::string serial;  // the serial number text ("" when the board has none)
    std::string path;    // the interface path of this plug-in (changes across replugs)
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    uint16_t version = 0;
    uint32_t input_count = 0; // digital inputs (or a joystick interface's buttons)
};

using Clock = std::chrono::steady_clock;

class BoardSink {
  public:
    virtual ~BoardSink() = default;

    // The board is present and open. `inputs` holds one byte per input, 0 (off) or 1 (on),
    // `board.input_count` of them: the state read when it was opened.
    virtual void board_online(const BoardInfo &board, std::span<const uint8_t> inputs) = 0;

    // One decoded input report changed inputs: `inputs` is the whole new state, `changed` the
    // numbers (0-based) of the inputs that differ from the previous state, `when` the time the
    // report was read.
    virtual void inputs_changed(const BoardInfo &board, std::span<const uint8_t> inputs,
                                std::span<const uint32_t> changed, Clock::time_point when) = 0;

    // The board was unplugged or closed; no further calls name it until it is online again.
    virtual void board_offline(const BoardInfo &board) = 0;

    // Called on every turn of the polling loop, so a sink can finish timed work (a pulse that
    // must end after its minimum length). Returns the time it next needs a call, or
    // Clock::time_point::max() when it needs none.
    virtual Clock::time_point tick(Clock::time_point now) {
        (void)now;
        return Clock::time_point::max();
    }
};

} // namespace panelinkd
