#include "mqtt_connection.h"

#include <cstring>
#include <stdexcept>

#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <unistd.h>

#include "log.h"

namespace panelinkd {
namespace {

constexpr std::chrono::seconds kFirstRetry{1};
constexpr std::chrono::seconds kMostRetry{60};
// How long one turn of the network loop may wait for traffic: publishes from other threads wake
// it at once, this only bounds how late it notices the end.
constexpr int kLoopWaitMs = 500;

struct LibraryUse {
    LibraryUse() { mosquitto_lib_init(); }
};

std::string reason_of(int rc) {
    if (rc == MOSQ_ERR_ERRNO)
        return std::strerror(errno);
    return mosquitto_strerror(rc);
}

std::string default_client_id() {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0)
        std::strcpy(host, "host");
    return "panelinkd-" + std::string(host) + "-" + std::to_string(getpid());
}

} // namespace

MqttConnection::MqttConnection(const BrokerConfig &broker, const std::string &will_topic,
                               Callbacks callbacks)
    : broker_(broker), will_topic_(will_topic), callbacks_(std::move(callbacks)) {
    static LibraryUse library;
    const std::string id = broker_.client_id.empty() ? default_client_id() : broker_.client_id;
    client_ = mosquitto_new(id.c_str(), true, this);
    if (client_ == nullptr)
        throw std::runtime_error("cannot create the MQTT client");
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_threaded_set(client_, true);
    mosquitto_connect_v5_callback_set(client_, on_connect);
    mosquitto_publish_v5_callback_set(client_, on_publish);
    mosquitto_message_v5_callback_set(client_, on_message);
    static constexpr char kOffline[] = "offline";
    int rc = mosquitto_will_set_v5(client_, will_topic_.c_str(), sizeof kOffline - 1, kOffline, 1,
                                   true, nullptr);
    if (rc == MOSQ_ERR_SUCCESS && !broker_.username.empty())
        rc = mosquitto_username_pw_set(client_, broker_.username.c_str(),
                                       broker_.password.empty() ? nullptr
                                                                : broker_.password.c_str());
    if (rc == MOSQ_ERR_SUCCESS && broker_.tls) {
        const char *ca_file = broker_.ca_file.empty() ? nullptr : broker_.ca_file.c_str();
        rc = mosquitto_tls_set(client_, ca_file, ca_file ? nullptr : "/etc/ssl/certs",
                               broker_.cert_file.empty() ? nullptr : broker_.cert_file.c_str(),
                               broker_.key_file.empty() ? nullptr : broker_.key_file.c_str(),
                               nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        mosquitto_destroy(client_);
        throw ConfigError("broker: " + reason_of(rc));
    }
}

MqttConnection::~MqttConnection() {
    if (thread_.joinable()) {
        ending_ = true;
        mosquitto_disconnect(client_);
        changed_.notify_all();
        thread_.join();
    }
    mosquitto_destroy(client_);
}

void MqttConnection::start() {
    thread_ = std::thread([this] { run(); });
}

bool MqttConnection::wait_before_retry(std::chrono::seconds delay) {
    std::unique_lock lock(lock_);
    return !changed_.wait_for(lock, delay, [this] { return ending_.load(); });
}

void MqttConnection::run() {
    const std::string where = broker_.host + ":" + std::to_string(broker_.port);
    bool warned = false;
    while (!ending_) {
        const int rc = mosquitto_connect_bind_v5(client_, broker_.host.c_str(), broker_.port,
                                                 broker_.keepalive_s, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            if (!warned || log_enabled(LogLevel::debug))
                log_warning("cannot reach the broker at " + where + ": " + reason_of(rc) +
                            "; trying again with growing delays");
            warned = true;
            if (!wait_before_retry(retry_delay_))
                break;
            retry_delay_ = std::min(retry_delay_ * 2, kMostRetry);
            continue;
        }
        int loop_rc = MOSQ_ERR_SUCCESS;
        while (!ending_ && loop_rc == MOSQ_ERR_SUCCESS)
            loop_rc = mosquitto_loop(client_, kLoopWaitMs, 1);
        const bool was_connected = connected_.exchange(false);
        if (ending_)
            break;
        if (was_connected) {
            log_warning("lost the broker at " + where + ": " + reason_of(loop_rc) +
                        "; connecting again");
            warned = true;
        }
        if (!wait_before_retry(retry_delay_))
            break;
        retry_delay_ = std::min(retry_delay_ * 2, kMostRetry);
    }
    connected_ = false;
}

void MqttConnection::on_connect(mosquitto *, void *self, int rc, int, const mqtt5__property *) {
    auto &connection = *static_cast<MqttConnection *>(self);
    if (rc != 0) {
        log_error("the broker refused the connection: " + std::string(mosquitto_reason_string(rc)));
        return;
    }
    log_info("connected to the broker at " + connection.broker_.host + ":" +
             std::to_string(connection.broker_.port));
    connection.retry_delay_ = kFirstRetry;
    connection.connected_ = true;
    if (connection.callbacks_.connected)
        connection.callbacks_.connected();
}

void MqttConnection::on_publish(mosquitto *, void *self, int mid, int, const mqtt5__property *) {
    auto &connection = *static_cast<MqttConnection *>(self);
    {
        const std::lock_guard lock(connection.lock_);
        connection.last_acked_ = mid;
    }
    connection.changed_.notify_all();
}

void MqttConnection::on_message(mosquitto *, void *self, const mosquitto_message *message,
                                const mqtt5__property *props) {
    auto &connection = *static_cast<MqttConnection *>(self);
    if (!connection.callbacks_.message || message->topic == nullptr)
        return;
    MqttMessage received;
    received.topic = message->topic;
    received.payload = std::string_view(
        static_cast<const char *>(message->payload),
        message->payload == nullptr ? 0 : static_cast<size_t>(message->payloadlen));
    received.retained = message->retain;
    char *response = nullptr;
    if (mosquitto_property_read_string(props, MQTT_PROP_RESPONSE_TOPIC, &response, false) !=
            nullptr &&
        response != nullptr) {
        received.response_topic = response;
        free(response); // NOLINT: libmosquitto hands it over with malloc
    }
    void *correlation = nullptr;
    uint16_t length = 0;
    if (mosquitto_property_read_binary(props, MQTT_PROP_CORRELATION_DATA, &correlation, &length,
                                       false) != nullptr &&
        correlation != nullptr) {
        received.correlation.assign(static_cast<const char *>(correlation), length);
        free(correlation); // NOLINT: as above
    }
    connection.callbacks_.message(received);
}

bool MqttConnection::publish(const std::string &topic, std::string_view payload, bool retain,
                             const std::string &correlation) {
    if (!connected_)
        return false;
    mosquitto_property *props = nullptr;
    if (!correlation.empty())
        mosquitto_property_add_binary(&props, MQTT_PROP_CORRELATION_DATA, correlation.data(),
                                      static_cast<uint16_t>(correlation.size()));
    const int rc =
        mosquitto_publish_v5(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                             payload.data(), 1, retain, props);
    mosquitto_property_free_all(&props);
    return rc == MOSQ_ERR_SUCCESS;
}

bool MqttConnection::subscribe(const std::string &filter) {
    return mosquitto_subscribe_v5(client_, nullptr, filter.c_str(), 1,
                                  MQTT_SUB_OPT_RETAIN_AS_PUBLISHED, nullptr) == MOSQ_ERR_SUCCESS;
}

void MqttConnection::finish(const std::string &topic, std::string_view payload,
                            std::chrono::milliseconds wait) {
    if (connected_) {
        int mid = 0;
        if (mosquitto_publish_v5(client_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                                 payload.data(), 1, true, nullptr) == MOSQ_ERR_SUCCESS) {
            std::unique_lock lock(lock_);
            changed_.wait_for(lock, wait, [&] { return last_acked_ == mid || !connected_; });
        }
    }
    ending_ = true;
    mosquitto_disconnect(client_);
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

} // namespace panelinkd
