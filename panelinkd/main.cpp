// panelinkd: the boards of this computer offered to other programs, through an MQTT broker and
// other outputs. Each output adds its options and its part of the configuration; add a new one
// to the list below.
#include <memory>
#include <vector>

#include <CLI/CLI.hpp>

#include "command_line.h"
#include "joystick_output.h"
#include "mqtt_output.h"
#include "output.h"
#include "service.h"

int main(int argc, char **argv) {
    CLI::App app{"panelinkd: the panelink boards of this computer for other programs, through "
                 "an MQTT broker. It detects the boards, follows plug and unplug, polls their "
                 "inputs and runs its outputs until SIGTERM or SIGINT."};
    app.set_version_flag("--version", "panelinkd " PANELINKD_VERSION);
    app.get_formatter()->column_width(30);

    panelinkd::CommandLine options;
    panelinkd::add_service_options(app, options);

    std::vector<std::unique_ptr<panelinkd::Output>> outputs;
    outputs.push_back(std::make_unique<panelinkd::MqttOutput>());
    outputs.push_back(std::make_unique<panelinkd::joystick::JoystickOutput>());
    for (const auto &output : outputs)
        output->add_options(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        // --help and --version end with 0, a usage error with the configuration's status.
        return app.exit(e) == 0 ? panelinkd::kServiceDone : panelinkd::kServiceBadConfig;
    }
    return panelinkd::run_service(options, outputs);
}
