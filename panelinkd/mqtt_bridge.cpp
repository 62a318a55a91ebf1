// The bridge's side of the boards: their state published, again on every connect.
#include "mqtt_bridge.h"

#include <nlohmann/json.hpp>

#include "discovery.h"
#include "list_command.h"
#include "log.h"

namespace panelinkd {
namespace {

using nlohmann::ordered_json;

constexpr const char *kOnline = "online";
constexpr const char *kOffline = "offline";
constexpr std::chrono::milliseconds kGoodbyeWait{2000};

int64_t unix_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// {"inputs":[0,1,...],"time_ms":T}: the whole state, one number per input from input 1 on.
void inputs_json(std::string &out, std::span<const uint8_t> inputs, int64_t time_ms) {
    out.clear();
    out += "{\"inputs\":[";
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (i != 0)
            out += ',';
        out += inputs[i] != 0 ? '1' : '0';
    }
    out += "],\"time_ms\":";
    out += std::to_string(time_ms);
    out += '}';
}

std::string info_json(const BoardInfo &board, const DeviceRecord *record) {
    ordered_json info;
    if (record != nullptr)
        info = panelink::cli::records_json(std::span<const DeviceRecord>(record, 1)).at(0);
    else
        info = {{"vendor_id", board.vendor_id}, {"product_id", board.product_id},
                {"version", board.version},     {"product", board.product},
                {"path", board.path},           {"inputs", board.input_count}};
    // The record keeps three characters of the serial number; the name rests on all of it.
    info["serial"] = board.serial;
    info["name"] = board.name;
    return info.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

} // namespace

MqttBridge::MqttBridge(const Config &config, BoardRegistry &registry)
    : config_(config), registry_(registry), topics_(config.prefix),
      flood_(config.limits.per_second), queues_(config.limits.queue_per_board) {
    event_.reserve(96);
    MqttConnection::Callbacks callbacks;
    callbacks.connected = [this] { on_connected(); };
    callbacks.message = [this](const MqttMessage &message) { on_message(message); };
    connection_ = std::make_unique<MqttConnection>(*config.broker, topics_.bridge_state(),
                                                   std::move(callbacks));
}

MqttBridge::~MqttBridge() {
    queues_.shut_down();
}

void MqttBridge::start() {
    log_info("MQTT bridge: broker " + config_.broker->host + ":" +
             std::to_string(config_.broker->port) + (config_.broker->tls ? " (TLS)" : "") +
             ", topics under " + config_.prefix + "/");
    connection_->start();
}

void MqttBridge::finish() {
    queues_.shut_down();
    connection_->finish(topics_.bridge_state(), kOffline, kGoodbyeWait);
}

void MqttBridge::publish_board(const std::string &name, const BoardState &state) {
    connection_->publish(topics_.board(name, "availability"), state.online ? kOnline : kOffline,
                         true);
    connection_->publish(topics_.board(name, "info"), state.info, true);
    if (!state.inputs.empty())
        connection_->publish(topics_.board(name, "inputs"), state.inputs, true);
    if (config_.discovery)
        publish_discovery(name, state);
}

void MqttBridge::publish_discovery(const std::string &name, const BoardState &state) {
    for (const Publication &message :
         discovery_messages(config_, topics_, name, state.product, state.input_count))
        connection_->publish(message.topic, message.payload, true);
}

void MqttBridge::on_connected() {
    connection_->subscribe(topics_.set_filter());
    connection_->subscribe(topics_.status_filter());
    if (!config_.switches.empty())
        connection_->subscribe(topics_.switch_filter());
    const std::lock_guard lock(lock_);
    connection_->publish(topics_.bridge_state(), kOnline, true);
    for (const auto &[name, state] : boards_)
        publish_board(name, state);
    const std::lock_guard latched_lock(latched_lock_);
    for (const SwitchRule &rule : config_.switches) {
        const auto states = latched_.find({rule.board, rule.port});
        if (states != latched_.end())
            connection_->publish(
                topics_.switch_state(rule.board, rule.port, rule.output),
                states->second[static_cast<size_t>(rule.output - 1)] ? "ON" : "OFF", true);
    }
}

void MqttBridge::board_online(const BoardInfo &board, std::span<const uint8_t> inputs) {
    const std::optional<OpenBoard> open = registry_.find(board.name);
    const std::lock_guard lock(lock_);
    BoardState &state = boards_[board.name];
    state.online = true;
    state.info = info_json(board, open ? &open->record : nullptr);
    state.input_count = board.input_count;
    state.product = board.product;
    state.event_topic = topics_.board(board.name, "event");
    state.inputs_topic = topics_.board(board.name, "inputs");
    inputs_json(state.inputs, inputs, unix_ms());
    publish_board(board.name, state);
}

void MqttBridge::inputs_changed(const BoardInfo &board, std::span<const uint8_t> inputs,
                                std::span<const uint32_t> changed, Clock::time_point) {
    const int64_t time_ms = unix_ms();
    const std::lock_guard lock(lock_);
    BoardState &state = boards_[board.name];
    inputs_json(state.inputs, inputs, time_ms);
    // While the broker is away nothing is kept: on the next connect the retained state is
    // published as it is then, not the changes one by one.
    if (!connection_->connected())
        return;
    for (uint32_t input : changed) {
        event_.clear();
        event_ += "{\"input\":";
        event_ += std::to_string(input + 1);
        event_ += ",\"state\":";
        event_ += inputs[input] != 0 ? '1' : '0';
        event_ += ",\"time_ms\":";
        event_ += std::to_string(time_ms);
        event_ += '}';
        connection_->publish(state.event_topic, event_, false);
    }
    connection_->publish(state.inputs_topic, state.inputs, true);
}

void MqttBridge::board_offline(const BoardInfo &board) {
    const std::lock_guard lock(lock_);
    BoardState &state = boards_[board.name];
    state.online = false;
    connection_->publish(topics_.board(board.name, "availability"), kOffline, true);
}

} // namespace panelinkd
