// The joystick output of the service: `--joystick` (or "enabled": true in the configuration's
// "joystick" object) serves every board as virtual joysticks through /dev/uinput.
#pragma once

#include "joystick_sink.h"
#include "output.h"
#include "uinput_device.h"

#include <memory>

namespace panelinkd::joystick {

class JoystickOutput : public Output {
  public:
    // `uinput_path`: where the devices are created (another path in tests).
    explicit JoystickOutput(std::string uinput_path = kUinputPath);

    void add_options(CLI::App &app) override;

    // Reads the "joystick" object (a mistake is a ConfigError). When the output is on and this
    // process cannot create uinput devices, throws std::runtime_error saying how to get access.
    BoardSink *start(const Config &config, BoardRegistry &registry) override;

    // Removes the devices that are left.
    void stop() override;

  private:
    bool requested_ = false;
    std::string uinput_path_;
    UinputDeviceFactory factory_;
    std::unique_ptr<JoystickSink> sink_;
};

} // namespace panelinkd::joystick
