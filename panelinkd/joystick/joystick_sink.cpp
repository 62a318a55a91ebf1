#include "joystick_sink.h"

namespace panelinkd::joystick {

JoystickSink::JoystickSink(JoystickConfig config, DeviceFactory &factory, Log log)
    : config_(std::move(config)), factory_(factory), log_(std::move(log)) {}

void JoystickSink::board_online(const BoardInfo &board, std::span<const uint8_t> inputs) {
    board_offline(board); // a second arrival of the same plug-in replaces the first
    JoystickLayout layout = make_layout(board, config_);
    const std::string prefix = "joystick: board " + board.name + ": ";
    for (const std::string &warning : layout.warnings)
        log_(Severity::Warning, prefix + warning);
    if (layout.devices.empty()) {
        log_(Severity::Warning, prefix + "no input gives a button or an axis: no joystick");
        return;
    }
    std::vector<std::unique_ptr<VirtualDevice>> devices;
    try {
        for (const DeviceLayout &device : layout.devices)
            devices.push_back(factory_.create(device, board.name));
    } catch (const DeviceError &error) {
        log_(Severity::Warning, prefix + error.what());
        return; // the devices created so far are removed again
    }
    for (std::size_t k = 0; k < devices.size(); ++k) {
        const DeviceLayout &device = layout.devices[k];
        log_(Severity::Info, prefix + "\"" + device.name + "\" at " + devices[k]->node() + " (" +
                                 std::to_string(device.button_count) + " buttons, " +
                                 std::to_string(device.axes.size()) + " axes)");
    }
    Entry entry;
    entry.board_name = board.name;
    entry.joystick = std::make_unique<BoardJoystick>(std::move(layout), std::move(devices), config_,
                                                     inputs, Clock::now());
    boards_[board.path] = std::move(entry);
}

void JoystickSink::inputs_changed(const BoardInfo &board, std::span<const uint8_t> inputs,
                                  std::span<const uint32_t> changed, Clock::time_point when) {
    const auto found = boards_.find(board.path);
    if (found == boards_.end())
        return;
    // Pulses are timed from when the service handles the change, not from when it was read:
    // a late read must not shorten them.
    (void)when;
    found->second.joystick->inputs_changed(inputs, changed, Clock::now());
    report_trouble(found->second);
}

void JoystickSink::board_offline(const BoardInfo &board) {
    const auto found = boards_.find(board.path);
    if (found == boards_.end())
        return;
    boards_.erase(found); // removes the devices
    log_(Severity::Info, "joystick: board " + board.name + ": devices removed");
}

Clock::time_point JoystickSink::tick(Clock::time_point now) {
    Clock::time_point next = Clock::time_point::max();
    for (auto &[path, entry] : boards_) {
        next = std::min(next, entry.joystick->tick(now));
        report_trouble(entry);
    }
    return next;
}

const BoardJoystick *JoystickSink::board(const std::string &path) const {
    const auto found = boards_.find(path);
    return found == boards_.end() ? nullptr : found->second.joystick.get();
}

// The first refused event and the first dropped step of each plug-in are logged, not each one.
void JoystickSink::report_trouble(Entry &entry) {
    const BoardJoystick &joystick = *entry.joystick;
    if (joystick.failed_writes() > 0 && entry.reported_failed_writes == 0)
        log_(Severity::Warning,
             "joystick: board " + entry.board_name +
                 ": the system refused an event; the joystick may miss input changes");
    if (joystick.dropped_steps() > 0 && entry.reported_dropped_steps == 0)
        log_(Severity::Warning,
             "joystick: board " + entry.board_name +
                 ": encoder steps came faster than their pulses; some were dropped");
    entry.reported_failed_writes = joystick.failed_writes();
    entry.reported_dropped_steps = joystick.dropped_steps();
}

} // namespace panelinkd::joystick
