// The boards on an MQTT broker: their availability, identity and input states as retained
// topics, each input change as an event, and the output commands and status requests of any
// client, run on the board through its own bounded queue. See topics.h for the topics.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "board_registry.h"
#include "board_sink.h"
#include "command_queues.h"
#include "config.h"
#include "flood_guard.h"
#include "mqtt_connection.h"
#include "topics.h"

namespace panelinkd {

class MqttBridge : public BoardSink {
  public:
    MqttBridge(const Config &config, BoardRegistry &registry);
    ~MqttBridge() override;

    // Starts connecting (in the background: a broker that is down is tried again and again).
    void start();
    // Runs the commands still queued, says "offline" and disconnects.
    void finish();

    void board_online(const BoardInfo &board, std::span<const uint8_t> inputs) override;
    void inputs_changed(const BoardInfo &board, std::span<const uint8_t> inputs,
                        std::span<const uint32_t> changed, Clock::time_point when) override;
    void board_offline(const BoardInfo &board) override;

  private:
    struct BoardState {
        bool online = false;
        std::string info;   // the info topic's JSON
        std::string inputs; // the inputs topic's JSON
        uint32_t input_count = 0;
        std::string product;
    };

    void on_connected();
    void on_message(const MqttMessage &message);
    void refuse(const std::string &board, const std::string &request, const std::string &reason,
                const MqttMessage &message);
    void answer(const std::string &board, const std::string &request, const std::string &payload,
                const std::string &response_topic, const std::string &correlation);
    void publish_board(const std::string &name, const BoardState &state);
    void publish_discovery(const std::string &name, const BoardState &state);
    void run_command(const std::string &board, const std::string &command,
                     const MqttMessage &message);
    void run_status(const std::string &board, const MqttMessage &message);

    Config config_;
    BoardRegistry &registry_;
    Topics topics_;
    FloodGuard flood_;
    CommandQueues queues_;
    std::unique_ptr<MqttConnection> connection_;
    std::mutex lock_; // the boards' state and the order of their publications
    std::map<std::string, BoardState> boards_;
    std::string event_; // reused for each event: no allocation per change
    std::chrono::steady_clock::time_point flood_logged_{};
    unsigned flood_refused_ = 0;
};

} // namespace panelinkd
