// Virtual devices that record what the joystick output sends them, for tests without a kernel.
#pragma once

#include "virtual_device.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace panelinkd::joystick::testing {

struct RecordedEvent {
    std::string device; // the device's name
    uint16_t type;
    uint16_t code;
    int32_t value;
    friend bool operator==(const RecordedEvent &, const RecordedEvent &) = default;
};

class RecordingFactory : public DeviceFactory {
  public:
    std::unique_ptr<VirtualDevice> create(const DeviceLayout &layout,
                                          const std::string &board_name) override;

    std::vector<RecordedEvent> events;  // in the order sent, every device together
    std::vector<DeviceLayout> created;  // every device created, in order
    std::vector<std::string> live;      // names of the devices that exist now
    std::optional<std::size_t> fail_at; // the creation with this index (from 0) fails
    bool refuse_writes = false;

    // The events since the last call, then forgotten.
    std::vector<RecordedEvent> take();
};

} // namespace panelinkd::joystick::testing
