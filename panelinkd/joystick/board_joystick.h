// The virtual joysticks of one board that is online: turns its input changes into button, pulse
// and axis events on its devices.
//
// A new device's first events wait for the settle time: a program that waits for the device (the
// desktop's device manager, a game) opens it only a moment after it appears, and would never see
// events sent before. Until then the events queue in order (bounded; past the bound, the device
// gets the whole current state instead once it is ready).
#pragma once

#include "board_sink.h"
#include "joystick_config.h"
#include "joystick_layout.h"
#include "pulse_train.h"
#include "virtual_device.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace panelinkd::joystick {

class BoardJoystick {
  public:
    // Events that wait for the settle time at the most.
    static constexpr std::size_t kQueueCapacity = 4096;

    // `devices` are layout.devices, created; `inputs` the board's state as it came online.
    BoardJoystick(JoystickLayout layout, std::vector<std::unique_ptr<VirtualDevice>> devices,
                  const JoystickConfig &config, std::span<const uint8_t> inputs,
                  Clock::time_point now);

    void inputs_changed(std::span<const uint8_t> inputs, std::span<const uint32_t> changed,
                        Clock::time_point now);

    // Sends what is due (the settled queue, pulse edges). Returns when it next needs a call.
    Clock::time_point tick(Clock::time_point now);

    // Events the system refused since the board came online (each is logged by the sink once).
    uint64_t failed_writes() const { return failed_writes_; }
    // Encoder steps dropped because too many were waiting.
    uint64_t dropped_steps() const { return dropped_steps_; }

    const JoystickLayout &layout() const { return layout_; }
    const std::vector<std::unique_ptr<VirtualDevice>> &devices() const { return devices_; }

  private:
    struct QueuedEvent {
        uint16_t device;
        uint16_t type;
        uint16_t code;
        int32_t value;
    };

    void apply_input(uint32_t input, bool level, Clock::time_point now);
    void step_axis(const InputLayout &input);
    void advance_pulses(Clock::time_point now);
    void emit(uint16_t device, uint16_t type, uint16_t code, int32_t value);
    void write(uint16_t device, uint16_t type, uint16_t code, int32_t value);
    void sync_touched();
    void time_new_pulses();
    void settle();
    void send_current_state();

    JoystickLayout layout_;
    std::vector<std::unique_ptr<VirtualDevice>> devices_;
    std::chrono::milliseconds pulse_length_;
    Clock::time_point ready_at_;
    bool ready_ = false;
    bool overflowed_ = false;

    std::vector<uint8_t> levels_;    // per input: on after inversion
    std::vector<PulseTrain> trains_; // per pulse button
    std::vector<const InputLayout *> train_inputs_;
    std::vector<uint16_t> new_pulses_; // trains pressed since the last sync
    std::vector<int32_t> axis_values_; // per axis (absolute axes)
    std::vector<uint8_t> touched_;     // per device: events since its last sync
    std::vector<QueuedEvent> queue_;
    uint64_t failed_writes_ = 0;
    uint64_t dropped_steps_ = 0;
};

} // namespace panelinkd::joystick
