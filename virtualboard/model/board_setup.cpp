#include "board_setup.h"

#include <algorithm>

#include "status_answers.h"

namespace panelink::virtualboard {
namespace {

constexpr uint8_t kPresent = 0x01;
constexpr uint8_t kFault = 0x02;
constexpr unsigned kTypeShift = 2;
constexpr uint8_t kTypeMask = 0x0F;

} // namespace

uint8_t PortModule::status_byte() const {
    return static_cast<uint8_t>((present ? kPresent : 0) | (fault ? kFault : 0) |
                                (type & kTypeMask) << kTypeShift);
}

BoardSetup BoardSetup::defaults(const board_models::BoardKind &kind) {
    BoardSetup setup;
    setup.product = kind.product;
    const auto status = board_models::StatusSettings::default_port_status();
    for (unsigned port = 0; port < kind.port_count && port < status.size(); ++port) {
        PortModule module;
        module.present = (status[port] & kPresent) != 0;
        module.fault = (status[port] & kFault) != 0;
        module.type = static_cast<uint8_t>(status[port] >> kTypeShift & kTypeMask);
        setup.ports.push_back(module);
    }
    if (kind.input_count >= 2) {
        setup.encoders.push_back({0, 1});
    }
    return setup;
}

InputRole role_of(const BoardSetup &setup, unsigned input) {
    for (const EncoderPair &pair : setup.encoders) {
        if (pair.clockwise == input) {
            return InputRole::EncoderClockwise;
        }
        if (pair.counter_clockwise == input) {
            return InputRole::EncoderCounterClockwise;
        }
    }
    return std::ranges::binary_search(setup.push_buttons, input) ? InputRole::PushButton
                                                                 : InputRole::Switch;
}

} // namespace panelink::virtualboard
