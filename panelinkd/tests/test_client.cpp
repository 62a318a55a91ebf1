#include "test_client.h"

#include <stdexcept>

#include <mosquitto.h>
#include <mqtt_protocol.h>

namespace panelinkd::test {

TestClient::TestClient(int port) {
    mosquitto_lib_init();
    client_ = mosquitto_new(nullptr, true, this);
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_message_v5_callback_set(client_, [](mosquitto *, void *self,
                                                  const mosquitto_message *message,
                                                  const mosquitto_property *props) {
        auto &client = *static_cast<TestClient *>(self);
        Received received{message->topic,
                          std::string(static_cast<const char *>(message->payload),
                                      static_cast<size_t>(message->payloadlen)),
                          message->retain,
                          {}};
        void *data = nullptr;
        uint16_t length = 0;
        if (mosquitto_property_read_binary(props, MQTT_PROP_CORRELATION_DATA, &data, &length,
                                           false) != nullptr) {
            received.correlation.assign(static_cast<const char *>(data), length);
            free(data);
        }
        const std::lock_guard lock(client.lock_);
        client.received_.push_back(std::move(received));
        client.changed_.notify_all();
    });
    mosquitto_publish_v5_callback_set(
        client_, [](mosquitto *, void *self, int mid, int, const mosquitto_property *) {
            auto &client = *static_cast<TestClient *>(self);
            const std::lock_guard lock(client.lock_);
            client.acked_ = mid;
            client.changed_.notify_all();
        });
    mosquitto_subscribe_v5_callback_set(client_, [](mosquitto *, void *self, int mid, int,
                                                    const int *, const mosquitto_property *) {
        auto &client = *static_cast<TestClient *>(self);
        const std::lock_guard lock(client.lock_);
        client.subscribed_ = mid;
        client.changed_.notify_all();
    });
    if (mosquitto_connect_bind_v5(client_, "127.0.0.1", port, 30, nullptr, nullptr) !=
            MOSQ_ERR_SUCCESS ||
        mosquitto_loop_start(client_) != MOSQ_ERR_SUCCESS)
        throw std::runtime_error("the test client cannot connect");
}

TestClient::~TestClient() {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, false);
    mosquitto_destroy(client_);
}

void TestClient::subscribe(const std::string &filter) {
    int mid = 0;
    if (mosquitto_subscribe_v5(client_, &mid, filter.c_str(), 1, 0, nullptr) != MOSQ_ERR_SUCCESS)
        throw std::runtime_error("subscribe failed");
    std::unique_lock lock(lock_);
    if (!changed_.wait_for(lock, std::chrono::seconds(5), [&] { return subscribed_ == mid; }))
        throw std::runtime_error("the subscription was not acknowledged");
}

void TestClient::publish(const std::string &topic, const std::string &payload, bool retain,
                         const std::string &response_topic, const std::string &correlation) {
    mosquitto_property *props = nullptr;
    if (!response_topic.empty())
        mosquitto_property_add_string(&props, MQTT_PROP_RESPONSE_TOPIC, response_topic.c_str());
    if (!correlation.empty())
        mosquitto_property_add_binary(&props, MQTT_PROP_CORRELATION_DATA, correlation.data(),
                                      static_cast<uint16_t>(correlation.size()));
    int mid = 0;
    const int rc =
        mosquitto_publish_v5(client_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                             payload.data(), 1, retain, props);
    mosquitto_property_free_all(&props);
    if (rc != MOSQ_ERR_SUCCESS)
        throw std::runtime_error("publish failed");
    std::unique_lock lock(lock_);
    if (!changed_.wait_for(lock, std::chrono::seconds(5), [&] { return acked_ >= mid; }))
        throw std::runtime_error("the publication was not acknowledged");
}

std::optional<Received> TestClient::wait_for(const std::function<bool(const Received &)> &match,
                                             std::chrono::milliseconds wait, size_t from) {
    std::unique_lock lock(lock_);
    std::optional<Received> found;
    changed_.wait_for(lock, wait, [&] {
        for (size_t i = from; i < received_.size(); ++i)
            if (match(received_[i])) {
                found = received_[i];
                return true;
            }
        return false;
    });
    return found;
}

std::optional<Received> TestClient::wait_for_topic(const std::string &topic,
                                                   std::chrono::milliseconds wait, size_t from) {
    return wait_for([&](const Received &m) { return m.topic == topic; }, wait, from);
}

std::vector<Received> TestClient::received() {
    const std::lock_guard lock(lock_);
    return received_;
}

size_t TestClient::count() {
    const std::lock_guard lock(lock_);
    return received_.size();
}

} // namespace panelinkd::test
