// The service's connection to the MQTT broker, through libmosquitto (MQTT 5): one thread of its
// own connects, keeps the connection and, when the broker is down at the start or goes away,
// connects again after growing delays (1 s, doubled up to 60 s). The last will marks the
// service offline. Other threads publish through it at any time.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "config.h"

struct mosquitto;
struct mosquitto_message;
struct mqtt5__property;

namespace panelinkd {

struct MqttMessage {
    std::string topic;
    std::string_view payload;
    bool retained = false;
    std::string response_topic; // MQTT 5: where the answer goes ("" = none)
    std::string correlation;    // MQTT 5: correlation data to send back with it
};

class MqttConnection {
  public:
    struct Callbacks {
        // The broker accepted a connection (the first or a later one): subscribe and publish the
        // retained state again. Runs on the connection's thread.
        std::function<void()> connected;
        // A message on a subscribed topic. Runs on the connection's thread.
        std::function<void(const MqttMessage &)> message;
    };

    // `will_topic` gets "offline", retained, when the connection ends without a goodbye.
    MqttConnection(const BrokerConfig &broker, const std::string &will_topic, Callbacks callbacks);
    ~MqttConnection();
    MqttConnection(const MqttConnection &) = delete;
    MqttConnection &operator=(const MqttConnection &) = delete;

    // Starts the connection's thread.
    void start();

    bool connected() const { return connected_; }

    // Publishes at QoS 1 (with correlation data when not empty). False when not connected: the
    // message is dropped, not kept for later.
    bool publish(const std::string &topic, std::string_view payload, bool retain,
                 const std::string &correlation = {});
    // Subscribes at QoS 1, keeping the retain flag as published (so a retained command can be
    // told apart even when it arrives live).
    bool subscribe(const std::string &filter);

    // Publishes `payload` to `topic` (retained), waits up to `wait` for the broker to take it,
    // disconnects and ends the thread.
    void finish(const std::string &topic, std::string_view payload, std::chrono::milliseconds wait);

  private:
    static void on_connect(mosquitto *, void *self, int rc, int flags,
                           const mqtt5__property *props);
    static void on_publish(mosquitto *, void *self, int mid, int rc, const mqtt5__property *props);
    static void on_message(mosquitto *, void *self, const mosquitto_message *message,
                           const mqtt5__property *props);
    void run();
    bool wait_before_retry(std::chrono::seconds delay);

    BrokerConfig broker_;
    std::string will_topic_;
    Callbacks callbacks_;
    mosquitto *client_ = nullptr;
    std::thread thread_;
    std::atomic<bool> connected_{false};
    std::atomic<bool> ending_{false};
    std::mutex lock_;
    std::condition_variable changed_;
    int last_acked_ = -1;
    std::chrono::seconds retry_delay_{1};
};

} // namespace panelinkd
