#include "command_line.h"

#include "arguments.h"

namespace panelinkd {

void add_service_options(CLI::App &app, CommandLine &options) {
    app.add_option("--config", options.config_file,
                   "Configuration file (JSON): broker, TLS, user name, password file, prefix, "
                   "board names, poll interval, limits, Home Assistant discovery")
        ->type_name("FILE");
    app.add_option("--broker", options.broker,
                   "The MQTT broker, mqtt://HOST[:PORT] (port 1883 by default) or "
                   "mqtts://HOST[:PORT] for TLS (8883); without it (and without a broker in the "
                   "configuration) the service connects to no broker")
        ->type_name("URL");
    app.add_option("--prefix", options.prefix, "First part of every topic (default panelink)")
        ->type_name("NAME");
    app.add_option("--poll-ms", options.poll_ms,
                   "Milliseconds between two polls of the boards' inputs, 1 to 1000 (default 10)")
        ->type_name("N")
        ->check(CLI::Range(1, 1000));
    app.add_flag("--home-assistant", options.discovery,
                 "Publish Home Assistant discovery messages for the boards");
    app.add_option("--log-level", options.log_level,
                   "What the log on standard error shows: error, warning, info (default) or debug")
        ->type_name("LEVEL")
        ->check(CLI::IsMember({"error", "warning", "info", "debug"}));
}

Config make_config(const CommandLine &options) {
    Config config;
    if (!options.config_file.empty())
        load_config_file(options.config_file, config);
    nlohmann::json overrides = nlohmann::json::object();
    if (!options.broker.empty()) {
        BrokerConfig broker = config.broker.value_or(BrokerConfig{});
        parse_broker_url(options.broker, broker);
        config.broker = broker;
    }
    if (!options.prefix.empty())
        overrides["prefix"] = options.prefix;
    if (options.poll_ms)
        overrides["poll_ms"] = *options.poll_ms;
    if (!options.log_level.empty())
        overrides["log_level"] = options.log_level;
    if (options.discovery)
        config.discovery = true;
    apply_config_json(overrides, config);
    finish_config(config);
    return config;
}

} // namespace panelinkd
