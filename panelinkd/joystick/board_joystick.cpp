#include "board_joystick.h"

#include <algorithm>
#include <linux/input-event-codes.h>

namespace panelinkd::joystick {

BoardJoystick::BoardJoystick(JoystickLayout layout,
                             std::vector<std::unique_ptr<VirtualDevice>> devices,
                             const JoystickConfig &config, std::span<const uint8_t> inputs,
                             Clock::time_point now)
    : layout_(std::move(layout)), devices_(std::move(devices)), pulse_length_(config.pulse),
      ready_at_(now + config.settle) {
    levels_.assign(layout_.inputs.size(), 0);
    trains_.resize(layout_.pulse_trains);
    train_inputs_.resize(layout_.pulse_trains, nullptr);
    for (const InputLayout &input : layout_.inputs) {
        if (input.role == InputRole::PulseButton)
            train_inputs_[input.pulse] = &input;
    }
    for (const AxisLayout &axis : layout_.axes)
        axis_values_.push_back(axis.initial);
    touched_.assign(devices_.size(), 0);
    queue_.reserve(kQueueCapacity);
    new_pulses_.reserve(layout_.pulse_trains);

    // The state the board came online with: switches that are on are pressed buttons, an
    // inverted switch that is off a pressed one. Encoder inputs take no step from it.
    for (uint32_t i = 0; i < levels_.size(); ++i) {
        const bool on = i < inputs.size() && inputs[i] != 0;
        const InputLayout &input = layout_.inputs[i];
        levels_[i] = (on != input.invert) ? 1 : 0;
        if (input.role == InputRole::Button && levels_[i])
            emit(input.device, EV_KEY, input.code, 1);
    }
    sync_touched();
    if (config.settle.count() == 0)
        settle();
}

void BoardJoystick::inputs_changed(std::span<const uint8_t> inputs,
                                   std::span<const uint32_t> changed, Clock::time_point now) {
    if (!ready_ && now >= ready_at_)
        settle();
    for (uint32_t input : changed) {
        if (input < levels_.size())
            apply_input(input, input < inputs.size() && inputs[input] != 0, now);
    }
    sync_touched();
    time_new_pulses();
}

void BoardJoystick::apply_input(uint32_t index, bool on, Clock::time_point now) {
    const InputLayout &input = layout_.inputs[index];
    const uint8_t level = (on != input.invert) ? 1 : 0;
    if (level == levels_[index])
        return;
    levels_[index] = level;
    switch (input.role) {
    case InputRole::Button:
        emit(input.device, EV_KEY, input.code, level);
        break;
    case InputRole::PulseButton:
        // A step is the input turning on; its turning off again is part of the same step.
        if (level == 0)
            break;
        if (!trains_[input.pulse].add_step()) {
            ++dropped_steps_;
            break;
        }
        if (ready_ && trains_[input.pulse].advance(now, pulse_length_) == PulseTrain::Edge::Press) {
            emit(input.device, EV_KEY, input.code, 1);
            new_pulses_.push_back(input.pulse);
        }
        break;
    case InputRole::AxisStep:
        if (level == 1)
            step_axis(input);
        break;
    case InputRole::None:
        break;
    }
}

void BoardJoystick::step_axis(const InputLayout &input) {
    const AxisLayout &axis = layout_.axes[input.axis];
    if (!axis.absolute) {
        emit(0, EV_REL, axis.code, input.step);
        return;
    }
    int32_t &value = axis_values_[input.axis];
    const int64_t moved = static_cast<int64_t>(value) + input.step;
    const auto next = static_cast<int32_t>(std::clamp<int64_t>(moved, axis.minimum, axis.maximum));
    if (next == value)
        return;
    value = next;
    emit(0, EV_ABS, axis.code, value);
}

Clock::time_point BoardJoystick::tick(Clock::time_point now) {
    if (!ready_) {
        if (now < ready_at_)
            return ready_at_;
        settle();
    }
    advance_pulses(now);
    sync_touched();
    time_new_pulses();
    Clock::time_point next = Clock::time_point::max();
    for (const PulseTrain &train : trains_)
        next = std::min(next, train.next_due());
    return next;
}

void BoardJoystick::advance_pulses(Clock::time_point now) {
    for (std::size_t i = 0; i < trains_.size(); ++i) {
        const PulseTrain::Edge edge = trains_[i].advance(now, pulse_length_);
        if (edge == PulseTrain::Edge::None)
            continue;
        const InputLayout &input = *train_inputs_[i];
        emit(input.device, EV_KEY, input.code, edge == PulseTrain::Edge::Press ? 1 : 0);
        if (edge == PulseTrain::Edge::Press)
            new_pulses_.push_back(static_cast<uint16_t>(i));
    }
}

void BoardJoystick::emit(uint16_t device, uint16_t type, uint16_t code, int32_t value) {
    if (device >= devices_.size())
        return;
    touched_[device] = 1;
    if (ready_) {
        write(device, type, code, value);
        return;
    }
    if (queue_.size() < kQueueCapacity)
        queue_.push_back({device, type, code, value});
    else
        overflowed_ = true;
}

void BoardJoystick::write(uint16_t device, uint16_t type, uint16_t code, int32_t value) {
    if (!devices_[device]->write(type, code, value))
        ++failed_writes_;
}

void BoardJoystick::sync_touched() {
    for (std::size_t index = 0; index < touched_.size(); ++index) {
        if (touched_[index] == 0)
            continue;
        touched_[index] = 0;
        const auto device = static_cast<uint16_t>(index); // the layout has few devices
        if (ready_)
            write(device, EV_SYN, SYN_REPORT, 0);
        else if (queue_.size() < kQueueCapacity)
            queue_.push_back({device, EV_SYN, SYN_REPORT, 0});
        else
            overflowed_ = true;
    }
}

// A press is timed from when its report was written, not from when it was decided: on a busy
// system the two can lie milliseconds apart, and the game must see the whole length.
void BoardJoystick::time_new_pulses() {
    if (new_pulses_.empty())
        return;
    const Clock::time_point written = Clock::now();
    for (uint16_t train : new_pulses_)
        trains_[train].pressed_at(written, pulse_length_);
    new_pulses_.clear();
}

void BoardJoystick::settle() {
    ready_ = true;
    if (overflowed_) {
        send_current_state();
    } else {
        for (const QueuedEvent &event : queue_)
            write(event.device, event.type, event.code, event.value);
    }
    queue_.clear();
    queue_.shrink_to_fit();
    overflowed_ = false;
}

// After an overflowing settle time: the buttons that are down and the absolute axes that moved,
// as one report per device. Relative steps of that time are lost; steps waiting for pulses are
// not.
void BoardJoystick::send_current_state() {
    for (std::size_t i = 0; i < layout_.inputs.size(); ++i) {
        const InputLayout &input = layout_.inputs[i];
        if (input.role == InputRole::Button && levels_[i])
            emit(input.device, EV_KEY, input.code, 1);
    }
    for (std::size_t i = 0; i < layout_.axes.size(); ++i) {
        if (layout_.axes[i].absolute && axis_values_[i] != layout_.axes[i].initial)
            emit(0, EV_ABS, layout_.axes[i].code, axis_values_[i]);
    }
    sync_touched();
}

} // namespace panelinkd::joystick
