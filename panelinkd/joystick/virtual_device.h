// A virtual input device as the joystick output drives it, and the factory that creates one. The
// service uses uinput devices (uinput_device.h); tests put recording devices in their place.
#pragma once

#include "joystick_layout.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace panelinkd::joystick {

class VirtualDevice {
  public:
    virtual ~VirtualDevice() = default;

    // Sends one event (EV_KEY, EV_REL, EV_ABS or EV_SYN). Returns false when the system refused
    // it.
    virtual bool write(uint16_t type, uint16_t code, int32_t value) = 0;

    // Where readers find the device (an event node such as /dev/input/event7), for the log.
    virtual std::string node() const = 0;
};

class DeviceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class DeviceFactory {
  public:
    virtual ~DeviceFactory() = default;

    // Creates the device `layout` describes, with exactly its buttons and axes. `board_name` is
    // the service's stable name of the board. Throws DeviceError with a message for the log.
    virtual std::unique_ptr<VirtualDevice> create(const DeviceLayout &layout,
                                                  const std::string &board_name) = 0;
};

} // namespace panelinkd::joystick
