// An MQTT 5 client for the tests, straight on libmosquitto: it keeps every message it receives and
// waits for the one a test expects.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct mosquitto;

namespace panelinkd::test {

struct Received {
    std::string topic;
    std::string payload;
    bool retained = false;
    std::string correlation;
};

class TestClient {
  public:
    explicit TestClient(int port);
    ~TestClient();
    TestClient(const TestClient &) = delete;
    TestClient &operator=(const TestClient &) = delete;

    void subscribe(const std::string &filter);
    // Publishes at QoS 1 and waits until the broker has it.
    void publish(const std::string &topic, const std::string &payload, bool retain = false,
                 const std::string &response_topic = {}, const std::string &correlation = {});

    // The first message kept (from `from` on) that satisfies `match`, waiting up to `wait`.
    std::optional<Received>
    wait_for(const std::function<bool(const Received &)> &match,
             std::chrono::milliseconds wait = std::chrono::milliseconds(5000), size_t from = 0);
    std::optional<Received>
    wait_for_topic(const std::string &topic,
                   std::chrono::milliseconds wait = std::chrono::milliseconds(5000),
                   size_t from = 0);
    // The messages kept so far.
    std::vector<Received> received();
    size_t count();

  private:
    mosquitto *client_ = nullptr;
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Received> received_;
    int acked_ = -1;
    int subscribed_ = -1;
};

} // namespace panelinkd::test
