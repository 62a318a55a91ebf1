// The button pulses of one encoder input: each step presses the button for the pulse length, then
// leaves it released for as long again before the next step's press, so that a game polling the
// joystick sees every step. Steps that come faster wait their turn, up to kMaxPendingSteps.
#pragma once

#include "board_sink.h"

#include <chrono>
#include <cstdint>

namespace panelinkd::joystick {

class PulseTrain {
  public:
    // Steps waiting beyond this are dropped: a fast spin is not replayed for seconds on end.
    static constexpr uint32_t kMaxPendingSteps = 32;

    enum class Edge { None, Press, Release };

    // One more step. Returns false when it was dropped (too many waiting).
    bool add_step();

    // The edge due at `now`, if any; the train moves past it. At most one edge is due at a time.
    Edge advance(Clock::time_point now, std::chrono::milliseconds length);

    // A press that reached the system only at `written` lasts its length from then on: the
    // pulse is measured where a reader sees it.
    void pressed_at(Clock::time_point written, std::chrono::milliseconds length);

    // When advance() next has an edge to give; time_point::max() when idle.
    Clock::time_point next_due() const;

    bool pressed() const { return pressed_; }
    uint32_t pending() const { return pending_; }

    // Back to idle (the device is gone or the board went offline).
    void reset() { *this = PulseTrain(); }

  private:
    bool pressed_ = false;
    uint32_t pending_ = 0;
    Clock::time_point release_at_{};
    Clock::time_point free_at_{}; // the next press may come from here on
};

} // namespace panelinkd::joystick
