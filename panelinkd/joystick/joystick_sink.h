// The service's joystick output: one or more virtual joysticks per board, created when the board
// comes online and removed when it goes offline or the sink is destroyed (the service stops).
#pragma once

#include "board_joystick.h"
#include "board_sink.h"
#include "joystick_config.h"
#include "virtual_device.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace panelinkd::joystick {

class JoystickSink : public BoardSink {
  public:
    enum class Severity { Info, Warning };
    using Log = std::function<void(Severity, const std::string &)>;

    // `factory` creates the devices (uinput in the service) and must outlive the sink; `log`
    // takes one line per message: devices created and removed (Info), and settings that do not
    // fit a board, devices that could not be created, events the system refused (Warning).
    JoystickSink(JoystickConfig config, DeviceFactory &factory, Log log);

    void board_online(const BoardInfo &board, std::span<const uint8_t> inputs) override;
    void inputs_changed(const BoardInfo &board, std::span<const uint8_t> inputs,
                        std::span<const uint32_t> changed, Clock::time_point when) override;
    void board_offline(const BoardInfo &board) override;
    Clock::time_point tick(Clock::time_point now) override;

    // The joysticks of the board at interface path `path`, or null when it has none.
    const BoardJoystick *board(const std::string &path) const;

  private:
    struct Entry {
        std::unique_ptr<BoardJoystick> joystick;
        std::string board_name;
        uint64_t reported_failed_writes = 0;
        uint64_t reported_dropped_steps = 0;
    };
    void report_trouble(Entry &entry);

    JoystickConfig config_;
    DeviceFactory &factory_;
    Log log_;
    // By interface path: unique among the boards online, and the same in every call for one
    // plug-in.
    std::map<std::string, Entry, std::less<>> boards_;
};

} // namespace panelinkd::joystick
