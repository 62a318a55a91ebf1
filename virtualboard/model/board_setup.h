// What the user chooses about one virtual board: its model, the module on each port its status
// answers describe, the input pairs that are rotary encoders and the inputs that are push
// buttons (every other input is a toggle switch). A set-up file holds a list of these.
#pragma once

#include <cstdint>
#include <vector>

#include "board_kinds.h"

namespace panelink::virtualboard {

// The module on one port, as a status query reports it.
struct PortModule {
    bool present = true;
    bool fault = false;
    uint8_t type = 1; // module type 0 to 15

    // The status byte a port board answers: bit 0 present, bit 1 fault, bits 2 to 5 type.
    uint8_t status_byte() const;
    bool operator==(const PortModule &) const = default;
};

// Two inputs turned by one encoder: a detent clockwise pulses `clockwise`, a detent the other way
// pulses `counter_clockwise`.
struct EncoderPair {
    unsigned clockwise = 0;
    unsigned counter_clockwise = 1;
    bool operator==(const EncoderPair &) const = default;
};

struct BoardSetup {
    uint16_t product = 0;
    std::vector<PortModule> ports;      // one per port of the model's status answers
    std::vector<EncoderPair> encoders;  // no input in two pairs
    std::vector<unsigned> push_buttons; // ascending, none in an encoder pair
    bool operator==(const BoardSetup &) const = default;

    // A board of `kind` with default settings: every port holds a working module (the types 1
    // to 7 in turn), one encoder on inputs 0 and 1 when the board has inputs, no push button.
    static BoardSetup defaults(const board_models::BoardKind &kind);
};

// The input's role on the board.
enum class InputRole { Switch, PushButton, EncoderClockwise, EncoderCounterClockwise };
InputRole role_of(const BoardSetup &setup, unsigned input);

} // namespace panelink::virtualboard
