#include "pulse_train.h"

namespace panelinkd::joystick {

bool PulseTrain::add_step() {
    if (pending_ >= kMaxPendingSteps)
        return false;
    ++pending_;
    return true;
}

PulseTrain::Edge PulseTrain::advance(Clock::time_point now, std::chrono::milliseconds length) {
    if (pressed_) {
        if (now < release_at_)
            return Edge::None;
        pressed_ = false;
        free_at_ = now + length;
        return Edge::Release;
    }
    if (pending_ == 0 || now < free_at_)
        return Edge::None;
    --pending_;
    pressed_ = true;
    release_at_ = now + length;
    return Edge::Press;
}

void PulseTrain::pressed_at(Clock::time_point written, std::chrono::milliseconds length) {
    if (pressed_ && release_at_ < written + length)
        release_at_ = written + length;
}

Clock::time_point PulseTrain::next_due() const {
    if (pressed_)
        return release_at_;
    return pending_ > 0 ? free_at_ : Clock::time_point::max();
}

} // namespace panelinkd::joystick
