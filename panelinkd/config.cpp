#include "config.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "arguments.h"

namespace panelinkd {
namespace {

using nlohmann::json;

bool name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

std::string get_string(const json &object, const std::string &key, const std::string &where) {
    const json &value = object.at(key);
    if (!value.is_string())
        throw ConfigError(where + key + ": must be a text");
    return value.get<std::string>();
}

int64_t get_integer(const json &object, const std::string &key, int64_t min, int64_t max,
                    const std::string &where) {
    const json &value = object.at(key);
    std::optional<int64_t> number;
    if (value.is_number_integer())
        number = value.get<int64_t>();
    else if (value.is_number_unsigned())
        number = value.get<uint64_t>() > static_cast<uint64_t>(max)
                     ? std::nullopt
                     : std::optional<int64_t>(static_cast<int64_t>(value.get<uint64_t>()));
    else if (value.is_string()) // "0x0910" as the tool writes IDs
        number = panelink::cli::parse_number(value.get<std::string>(), min, max);
    if (!number || *number < min || *number > max)
        throw ConfigError(where + key + ": must be a whole number from " + std::to_string(min) +
                          " to " + std::to_string(max));
    return *number;
}

void check_keys(const json &object, std::initializer_list<const char *> known,
                const std::string &where) {
    for (const auto &item : object.items()) {
        if (std::none_of(known.begin(), known.end(),
                         [&](const char *k) { return item.key() == k; }))
            throw ConfigError(where + item.key() + ": unknown setting");
    }
}

void apply_broker(const json &value, Config &config) {
    BrokerConfig broker = config.broker.value_or(BrokerConfig{});
    if (value.is_string()) {
        parse_broker_url(value.get<std::string>(), broker);
        config.broker = broker;
        return;
    }
    if (!value.is_object())
        throw ConfigError("broker: must be a URL text or an object");
    const std::string where = "broker.";
    check_keys(value,
               {"url", "ca_file", "cert_file", "key_file", "username", "password_file", "password",
                "client_id", "keepalive"},
               where);
    if (value.contains("password"))
        throw ConfigError("broker.password: a password is never written in the configuration; "
                          "name a file with broker.password_file, or set " +
                          std::string(kPasswordVariable));
    if (!value.contains("url"))
        throw ConfigError("broker.url: missing (mqtt://HOST[:PORT] or mqtts://HOST[:PORT])");
    parse_broker_url(get_string(value, "url", where), broker);
    if (value.contains("ca_file"))
        broker.ca_file = get_string(value, "ca_file", where);
    if (value.contains("cert_file"))
        broker.cert_file = get_string(value, "cert_file", where);
    if (value.contains("key_file"))
        broker.key_file = get_string(value, "key_file", where);
    if (value.contains("username"))
        broker.username = get_string(value, "username", where);
    if (value.contains("password_file"))
        broker.password_file = get_string(value, "password_file", where);
    if (value.contains("client_id"))
        broker.client_id = get_string(value, "client_id", where);
    if (value.contains("keepalive"))
        broker.keepalive_s = static_cast<int>(get_integer(value, "keepalive", 5, 3600, where));
    if (broker.cert_file.empty() != broker.key_file.empty())
        throw ConfigError("broker: cert_file and key_file go together");
    config.broker = broker;
}

void apply_boards(const json &value, Config &config) {
    if (!value.is_array())
        throw ConfigError("boards: must be an array of {\"product_id\", \"serial\", \"name\"}");
    for (size_t i = 0; i < value.size(); ++i) {
        const json &entry = value[i];
        const std::string where = "boards[" + std::to_string(i) + "].";
        if (!entry.is_object())
            throw ConfigError(where + ": must be an object");
        check_keys(entry, {"product_id", "serial", "name"}, where);
        for (const char *key : {"product_id", "serial", "name"})
            if (!entry.contains(key))
                throw ConfigError(where + key + ": missing");
        BoardNameRule rule;
        rule.product_id = static_cast<uint16_t>(get_integer(entry, "product_id", 0, 0xFFFF, where));
        rule.serial = get_string(entry, "serial", where);
        rule.name = get_string(entry, "name", where);
        check_topic_part(rule.name, where + "name", false);
        for (const BoardNameRule &other : config.board_names) {
            if (other.name == rule.name)
                throw ConfigError(where + "name: \"" + rule.name + "\" is already used");
            if (other.product_id == rule.product_id && other.serial == rule.serial)
                throw ConfigError(where + ": that board is already named \"" + other.name + "\"");
        }
        config.board_names.push_back(rule);
    }
}

void apply_limits(const json &value, Config &config) {
    if (!value.is_object())
        throw ConfigError("limits: must be an object");
    const std::string where = "limits.";
    check_keys(value, {"max_payload_bytes", "queue_per_board", "commands_per_second"}, where);
    if (value.contains("max_payload_bytes"))
        config.limits.max_payload_bytes =
            static_cast<size_t>(get_integer(value, "max_payload_bytes", 64, 1 << 20, where));
    if (value.contains("queue_per_board"))
        config.limits.queue_per_board =
            static_cast<size_t>(get_integer(value, "queue_per_board", 1, 4096, where));
    if (value.contains("commands_per_second"))
        config.limits.per_second =
            static_cast<unsigned>(get_integer(value, "commands_per_second", 1, 100000, where));
}

void apply_discovery(const json &value, Config &config) {
    if (value.is_boolean()) {
        config.discovery = value.get<bool>();
        return;
    }
    if (!value.is_object())
        throw ConfigError("home_assistant: must be true, false or {\"discovery_prefix\": ...}");
    check_keys(value, {"discovery_prefix"}, "home_assistant.");
    config.discovery = true;
    if (value.contains("discovery_prefix")) {
        config.discovery_prefix = get_string(value, "discovery_prefix", "home_assistant.");
        check_topic_part(config.discovery_prefix, "home_assistant.discovery_prefix", true);
    }
}

LogLevel parse_log_level(const std::string &text) {
    static const std::map<std::string, LogLevel> levels = {{"error", LogLevel::error},
                                                           {"warning", LogLevel::warning},
                                                           {"info", LogLevel::info},
                                                           {"debug", LogLevel::debug}};
    const auto found = levels.find(text);
    if (found == levels.end())
        throw ConfigError("log_level: one of error, warning, info, debug");
    return found->second;
}

} // namespace

void parse_broker_url(const std::string &url, BrokerConfig &broker) {
    std::string rest;
    if (url.rfind("mqtt://", 0) == 0) {
        broker.tls = false;
        broker.port = 1883;
        rest = url.substr(7);
    } else if (url.rfind("mqtts://", 0) == 0) {
        broker.tls = true;
        broker.port = 8883;
        rest = url.substr(8);
    } else {
        throw ConfigError("broker \"" + url + "\": must start with mqtt:// or mqtts://");
    }
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    std::string host = rest;
    std::string port;
    if (!rest.empty() && rest.front() == '[') { // [IPv6]:port
        const size_t close = rest.find(']');
        if (close == std::string::npos)
            throw ConfigError("broker \"" + url + "\": unclosed '[' in the address");
        host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                throw ConfigError("broker \"" + url + "\": ':' expected after ']'");
            port = after.substr(1);
        }
    } else if (const size_t colon = rest.rfind(':'); colon != std::string::npos) {
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
    }
    if (host.empty())
        throw ConfigError("broker \"" + url + "\": no host");
    if (host.find_first_of("/@?# ") != std::string::npos)
        throw ConfigError("broker \"" + url + "\": the host \"" + host + "\" is not a host name");
    if (!port.empty() || (rest.size() > host.size() && rest.back() == ':')) {
        const auto number = panelink::cli::parse_number(port, 1, 65535);
        if (!number || port.rfind("0x", 0) == 0)
            throw ConfigError("broker \"" + url + "\": the port must be 1 to 65535");
        broker.port = static_cast<uint16_t>(*number);
    }
    broker.host = host;
}

void check_topic_part(const std::string &text, const std::string &what, bool slashes) {
    const bool fits = !text.empty() && text.size() <= 64 && text.front() != '/' &&
                      text.back() != '/' && text.find("//") == std::string::npos &&
                      std::all_of(text.begin(), text.end(), [slashes](char c) {
                          return name_char(c) || (slashes && c == '/');
                      });
    if (!fits)
        throw ConfigError(what + " \"" + text + "\": use 1 to 64 letters, digits, '_', '-' or '.'" +
                          (slashes ? " (parts may be separated by '/')" : ""));
}

void apply_config_json(const json &file, Config &config) {
    if (!file.is_object())
        throw ConfigError("the configuration must be a JSON object");
    check_keys(file,
               {"broker", "prefix", "poll_ms", "boards", "limits", "home_assistant", "log_level",
                "joystick"},
               "");
    if (file.contains("broker"))
        apply_broker(file.at("broker"), config);
    if (file.contains("prefix")) {
        config.prefix = get_string(file, "prefix", "");
        check_topic_part(config.prefix, "prefix", true);
    }
    if (file.contains("poll_ms"))
        config.poll_ms = static_cast<int>(get_integer(file, "poll_ms", 1, 1000, ""));
    if (file.contains("boards"))
        apply_boards(file.at("boards"), config);
    if (file.contains("limits"))
        apply_limits(file.at("limits"), config);
    if (file.contains("home_assistant"))
        apply_discovery(file.at("home_assistant"), config);
    if (file.contains("log_level"))
        config.log_level = parse_log_level(get_string(file, "log_level", ""));
    if (file.contains("joystick"))
        config.joystick = file.at("joystick");
}

void load_config_file(const std::string &path, Config &config) {
    std::ifstream in(path);
    if (!in)
        throw ConfigError("cannot read the configuration file " + path);
    json file;
    try {
        file = json::parse(in);
    } catch (const json::exception &e) {
        throw ConfigError(path + ": not valid JSON: " + e.what());
    }
    try {
        apply_config_json(file, config);
    } catch (const ConfigError &e) {
        throw ConfigError(path + ": " + e.what());
    }
}

void finish_config(Config &config) {
    if (!config.broker)
        return;
    BrokerConfig &broker = *config.broker;
    if (!broker.password_file.empty()) {
        std::ifstream in(broker.password_file);
        if (!in)
            throw ConfigError("cannot read the password file " + broker.password_file);
        std::getline(in, broker.password);
        if (!broker.password.empty() && broker.password.back() == '\r')
            broker.password.pop_back();
    } else if (const char *value = std::getenv(kPasswordVariable); value != nullptr) {
        broker.password = value;
    }
    if (!broker.password.empty() && broker.username.empty())
        throw ConfigError("broker: a password needs a username (broker.username)");
}

} // namespace panelinkd
