// Virtual joysticks on Linux: input devices created through /dev/uinput with libevdev. Creating
// them needs write access to /dev/uinput, which is root's alone unless an (opt-in) udev rule
// grants it.
#pragma once

#include "virtual_device.h"

#include <optional>
#include <string>

namespace panelinkd::joystick {

inline constexpr const char *kUinputPath = "/dev/uinput";

class UinputDeviceFactory : public DeviceFactory {
  public:
    explicit UinputDeviceFactory(std::string uinput_path = kUinputPath);

    // A device on the virtual bus with the layout's name, vendor, product and version, its
    // buttons and axes and nothing else; "panelinkd/<board name>" as its physical path.
    std::unique_ptr<VirtualDevice> create(const DeviceLayout &layout,
                                          const std::string &board_name) override;

  private:
    std::string uinput_path_;
};

// Why this process cannot create devices through `uinput_path` (and how to get access), or
// nullopt when it can.
std::optional<std::string> uinput_access_problem(const std::string &uinput_path = kUinputPath);

} // namespace panelinkd::joystick
