#include "joystick_output.h"

#include "log.h"

namespace panelinkd::joystick {

JoystickOutput::JoystickOutput(std::string uinput_path)
    : uinput_path_(std::move(uinput_path)), factory_(uinput_path_) {}

void JoystickOutput::add_options(CLI::App &app) {
    app.add_flag("--joystick", requested_,
                 "Serve every board as virtual joysticks through /dev/uinput (needs write access "
                 "to it); works with or without a broker");
}

BoardSink *JoystickOutput::start(const Config &config, BoardRegistry &registry) {
    (void)registry; // joysticks only read the boards
    JoystickConfig settings;
    if (!config.joystick.is_null()) {
        try {
            settings = parse_joystick_config(config.joystick);
        } catch (const JoystickConfigError &error) {
            throw ConfigError(error.what());
        }
    }
    if (!requested_ && !settings.enabled)
        return nullptr;
    if (const auto problem = uinput_access_problem(uinput_path_))
        throw std::runtime_error("joystick: " + *problem);
    sink_ = std::make_unique<JoystickSink>(
        std::move(settings), factory_,
        [](JoystickSink::Severity severity, const std::string &line) {
            if (severity == JoystickSink::Severity::Warning)
                log_warning(line);
            else
                log_info(line);
        });
    log_info("joystick: serving the boards as virtual joysticks");
    return sink_.get();
}

void JoystickOutput::stop() {
    sink_.reset();
}

} // namespace panelinkd::joystick
