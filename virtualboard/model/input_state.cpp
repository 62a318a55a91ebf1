#include "input_state.h"

#include <algorithm>
#include <cstdlib>

namespace panelink::virtualboard {

InputState::InputState(size_t report_length, uint8_t report_id, unsigned input_count)
    : input_count_(static_cast<unsigned>(
          std::min<size_t>(input_count, report_length > 1 ? (report_length - 1) * 8 : 0))),
      report_(std::max<size_t>(report_length, 1), 0) {
    report_[0] = report_id;
}

bool InputState::set(unsigned input, bool on) {
    if (input >= input_count_) {
        return false;
    }
    uint8_t &byte = report_[1 + input / 8];
    const auto bit = static_cast<uint8_t>(1u << (input % 8));
    byte = on ? static_cast<uint8_t>(byte | bit) : static_cast<uint8_t>(byte & ~bit);
    return true;
}

bool InputState::is_on(unsigned input) const {
    return input < input_count_ && (report_[1 + input / 8] >> (input % 8) & 1u) != 0;
}

bool InputState::turn(const EncoderPair &pair, int detents) {
    if (pair.clockwise >= input_count_ || pair.counter_clockwise >= input_count_) {
        return false;
    }
    const unsigned input = detents >= 0 ? pair.clockwise : pair.counter_clockwise;
    for (int i = 0; i < std::abs(detents); ++i) {
        edges_.push_back({input, true});
        edges_.push_back({input, false});
    }
    return true;
}

bool InputState::next_pulse_edge() {
    if (edges_.empty()) {
        return false;
    }
    const Edge edge = edges_.front();
    edges_.pop_front();
    set(edge.input, edge.on);
    return true;
}

void InputState::drop_pulses() {
    for (const Edge &edge : edges_) {
        set(edge.input, false);
    }
    edges_.clear();
}

} // namespace panelink::virtualboard
