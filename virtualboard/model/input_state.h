// The inputs of one virtual board and the input reports they make. Input i is bit i % 8 of data
// byte i / 8, after the report ID byte. Switches and push buttons change one input and make one
// report. An encoder turns one detent at a time, as a real one does: each detent is a pulse on
// the pair's clockwise or counter-clockwise input, one report with the input on and one with it
// off, sent one report per pulse period; the detents of a turn wait in a queue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "board_setup.h"

namespace panelink::virtualboard {

// The time between the reports of an encoder's pulses: the rate at which the boards send.
constexpr int kPulsePeriodMs = 20;

class InputState {
  public:
    // A report of `report_length` bytes (report ID byte included) with `input_count` inputs.
    InputState(size_t report_length, uint8_t report_id, unsigned input_count);

    unsigned input_count() const { return input_count_; }
    // Switches one input; false (nothing changed) for an input the board does not have.
    bool set(unsigned input, bool on);
    bool is_on(unsigned input) const;
    // The input report of the present state, report ID byte first.
    const std::vector<uint8_t> &report() const { return report_; }

    // Queues `detents` detents of `pair` (positive: clockwise); false for a pair beyond the
    // board's inputs.
    bool turn(const EncoderPair &pair, int detents);
    bool pulses_pending() const { return !edges_.empty(); }
    // Applies the next queued pulse edge; report() is then the report to send. False when
    // nothing is queued.
    bool next_pulse_edge();
    // Drops the queued pulses and releases the inputs they held (an unplugged board).
    void drop_pulses();

  private:
    struct Edge {
        unsigned input;
        bool on;
    };

    unsigned input_count_;
    std::vector<uint8_t> report_;
    std::deque<Edge> edges_;
};

} // namespace panelink::virtualboard
