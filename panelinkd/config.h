// The service's configuration: what the configuration file and the command line set, checked.
// Every problem is a ConfigError whose text names the setting and what is wrong with it.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "log.h"

namespace panelinkd {

struct ConfigError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct BrokerConfig {
    std::string host;
    uint16_t port = 1883;
    bool tls = false;      // mqtts://
    std::string ca_file;   // TLS: the certificate authorities to trust ("" = the system's)
    std::string cert_file; // TLS: the client certificate, with key_file
    std::string key_file;
    std::string username;      // "" = none
    std::string password_file; // the password's file; without one, the environment variable
    std::string password;      // filled by finish_config(), never given directly
    std::string client_id;     // "" = panelinkd-<host name>-<process id>
    int keepalive_s = 30;
};

// A board name set in the configuration: the board with this product ID and serial number
// (the whole serial text the system reports) is called `name`.
struct BoardNameRule {
    uint16_t product_id = 0;
    std::string serial;
    std::string name;
};

// Bounds on what clients may ask of the service.
struct CommandLimits {
    size_t max_payload_bytes = 4096; // a larger command payload is refused unread
    size_t queue_per_board = 32;     // commands waiting for one board
    unsigned per_second = 200; // commands per second over all boards before a flood is refused
};

struct Config {
    std::optional<BrokerConfig> broker; // none: the service connects to no broker
    std::string prefix = "panelink";
    int poll_ms = 10;
    std::vector<BoardNameRule> board_names;
    CommandLimits limits;
    // Home Assistant discovery: off unless set; its topic prefix.
    bool discovery = false;
    std::string discovery_prefix = "homeassistant";
    LogLevel log_level = LogLevel::info;
    // The "joystick" object of the file, for the joystick output to read itself (null if none).
    nlohmann::json joystick;
};

// The environment variable the broker password is read from when no password file is named.
inline constexpr const char *kPasswordVariable = "PANELINKD_MQTT_PASSWORD";

// "mqtt://HOST[:PORT]" (1883 by default) or "mqtts://HOST[:PORT]" (8883), HOST a name, an
// IPv4 address or an IPv6 address in brackets. Other fields of `broker` are kept.
void parse_broker_url(const std::string &url, BrokerConfig &broker);

// Checks a prefix or board name for use in topics: 1 to 64 characters of letters, digits,
// '_', '-' and '.' (a prefix may also hold '/' between such parts).
void check_topic_part(const std::string &text, const std::string &what, bool slashes);

// Applies a configuration file's JSON object to `config`.
void apply_config_json(const nlohmann::json &file, Config &config);

// Reads and applies the configuration file at `path`.
void load_config_file(const std::string &path, Config &config);

// Completes a configuration once file and command line are applied: the broker password from
// its file or from the environment variable kPasswordVariable.
void finish_config(Config &config);

} // namespace panelinkd
