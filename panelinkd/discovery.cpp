#include "discovery.h"

#include <nlohmann/json.hpp>

namespace panelinkd {

std::vector<Publication> discovery_messages(const Config &config, const Topics &topics,
                                            const std::string &name, const std::string &product,
                                            uint32_t inputs) {
    using nlohmann::ordered_json;
    const std::string device_id = "panelink_" + name;
    const ordered_json device = {
        {"identifiers", {device_id}}, {"name", product + " " + name}, {"model", product}};
    const ordered_json availability = {{{"topic", topics.bridge_state()}},
                                       {{"topic", topics.board(name, "availability")}}};
    const auto dump = [](const ordered_json &value) {
        return value.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
    };
    std::vector<Publication> messages;
    for (uint32_t i = 0; i < inputs; ++i) {
        const std::string input = std::to_string(i + 1);
        const ordered_json sensor = {
            {"name", "Input " + input},
            {"unique_id", device_id + "_input_" + input},
            {"state_topic", topics.board(name, "inputs")},
            {"value_template", "{{ value_json.inputs[" + std::to_string(i) + "] }}"},
            {"payload_on", "1"},
            {"payload_off", "0"},
            {"availability", availability},
            {"availability_mode", "all"},
            {"device", device}};
        messages.push_back({config.discovery_prefix + "/binary_sensor/" + device_id + "/input_" +
                                input + "/config",
                            dump(sensor)});
    }
    for (const SwitchRule &rule : config.switches) {
        if (rule.board != name)
            continue;
        const std::string id =
            "latched_" + std::to_string(rule.port) + "_" + std::to_string(rule.output);
        const std::string state = topics.switch_state(name, rule.port, rule.output);
        const ordered_json output = {{"name", rule.name},
                                     {"unique_id", device_id + "_" + id},
                                     {"command_topic", state + "/set"},
                                     {"state_topic", state},
                                     {"payload_on", "ON"},
                                     {"payload_off", "OFF"},
                                     {"availability", availability},
                                     {"availability_mode", "all"},
                                     {"device", device}};
        messages.push_back({config.discovery_prefix + "/switch/" + device_id + "/" + id + "/config",
                            dump(output)});
    }
    return messages;
}

} // namespace panelinkd
