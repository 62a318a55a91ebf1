#include "mqtt_bridge.h"

#include <nlohmann/json.hpp>

#include "commands.h"
#include "exit_status.h"
#include "list_command.h"
#include "log.h"
#include "status_command.h"
#include "status_summary.h"

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
    const std::string device_id = "panelink_" + name;
    const ordered_json device = {{"identifiers", {device_id}},
                                 {"name", state.product + " " + name},
                                 {"model", state.product},
                                 {"via_device", "panelinkd"}};
    const ordered_json availability = {{{"topic", topics_.bridge_state()}},
                                       {{"topic", topics_.board(name, "availability")}}};
    for (uint32_t i = 0; i < state.input_count; ++i) {
        const std::string input = std::to_string(i + 1);
        const ordered_json sensor = {
            {"name", "Input " + input},
            {"unique_id", device_id + "_input_" + input},
            {"state_topic", topics_.board(name, "inputs")},
            {"value_template", "{{ value_json.inputs[" + std::to_string(i) + "] }}"},
            {"payload_on", "1"},
            {"payload_off", "0"},
            {"availability", availability},
            {"availability_mode", "all"},
            {"device", device}};
        connection_->publish(config_.discovery_prefix + "/binary_sensor/" + device_id + "/input_" +
                                 input + "/config",
                             sensor.dump(), true);
    }
}

void MqttBridge::on_connected() {
    connection_->subscribe(topics_.set_filter());
    connection_->subscribe(topics_.status_filter());
    const std::lock_guard lock(lock_);
    connection_->publish(topics_.bridge_state(), kOnline, true);
    for (const auto &[name, state] : boards_)
        publish_board(name, state);
}

void MqttBridge::board_online(const BoardInfo &board, std::span<const uint8_t> inputs) {
    const std::optional<OpenBoard> open = registry_.find(board.name);
    const std::lock_guard lock(lock_);
    BoardState &state = boards_[board.name];
    state.online = true;
    state.info = info_json(board, open ? &open->record : nullptr);
    state.input_count = board.input_count;
    state.product = board.product;
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
    const std::string event_topic = topics_.board(board.name, "event");
    for (uint32_t input : changed) {
        event_.clear();
        event_ += "{\"input\":";
        event_ += std::to_string(input + 1);
        event_ += ",\"state\":";
        event_ += inputs[input] != 0 ? '1' : '0';
        event_ += ",\"time_ms\":";
        event_ += std::to_string(time_ms);
        event_ += '}';
        connection_->publish(event_topic, event_, false);
    }
    connection_->publish(topics_.board(board.name, "inputs"), state.inputs, true);
}

void MqttBridge::board_offline(const BoardInfo &board) {
    const std::lock_guard lock(lock_);
    BoardState &state = boards_[board.name];
    state.online = false;
    connection_->publish(topics_.board(board.name, "availability"), kOffline, true);
}

void MqttBridge::answer(const std::string &board, const std::string &request,
                        const std::string &payload, const std::string &response_topic,
                        const std::string &correlation) {
    (void)board;
    (void)request;
    if (!response_topic.empty())
        connection_->publish(response_topic, payload, false, correlation);
}

void MqttBridge::refuse(const std::string &board, const std::string &request,
                        const std::string &reason, const MqttMessage &message) {
    log_warning(board + " " + request + ": " + reason);
    const std::string payload =
        ordered_json{{"board", board}, {"request", request}, {"error", reason}}.dump(
            -1, ' ', false, ordered_json::error_handler_t::replace);
    connection_->publish(topics_.board(board, "error"), payload, false, message.correlation);
    if (!message.response_topic.empty())
        connection_->publish(message.response_topic, payload, false, message.correlation);
}

void MqttBridge::on_message(const MqttMessage &message) {
    const std::optional<Topics::Request> request = topics_.parse(message.topic);
    if (!request)
        return;
    const std::string what = request->status ? "status/get" : "set/" + request->command;
    if (message.payload.size() > config_.limits.max_payload_bytes) {
        refuse(request->board, what,
               "payload of " + std::to_string(message.payload.size()) +
                   " bytes refused: the limit is " +
                   std::to_string(config_.limits.max_payload_bytes),
               message);
        return;
    }
    if (message.retained) {
        refuse(request->board, what,
               "retained command refused: it would run again on every restart; publish "
               "commands without the retain flag",
               message);
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!flood_.admit(now)) {
        // One message a second says so; the rest of the flood is counted, not answered.
        ++flood_refused_;
        if (now - flood_logged_ >= std::chrono::seconds(1)) {
            flood_logged_ = now;
            refuse(request->board, what,
                   "command flood: more than " + std::to_string(config_.limits.per_second) +
                       " commands a second; " + std::to_string(flood_refused_) + " refused so far",
                   message);
        }
        return;
    }
    if (!registry_.find(request->board)) {
        bool known = false;
        {
            const std::lock_guard lock(lock_);
            known = boards_.count(request->board) != 0;
        }
        refuse(request->board, what,
               known ? "board " + request->board + " is offline"
                     : "no board named " + request->board,
               message);
        return;
    }
    if (request->status)
        run_status(request->board, message);
    else
        run_command(request->board, request->command, message);
}

void MqttBridge::run_command(const std::string &board, const std::string &command,
                             const MqttMessage &message) {
    const std::string what = "set/" + command;
    panelink::cli::OutputCommand prepared;
    try {
        prepared = prepare_command(command, message.payload);
    } catch (const CommandError &e) {
        refuse(board, what, e.what(), message);
        return;
    }
    MqttMessage kept = message;
    kept.payload = {}; // the payload is read; the job keeps no view into the library's buffer
    auto job = [this, board, command, what, prepared, kept] {
        const std::optional<OpenBoard> open = registry_.find(board);
        if (!open) {
            refuse(board, what, "board " + board + " went offline before the command ran", kept);
            return;
        }
        DeviceRecord record = open->record;
        int32_t written = 0;
        try {
            written = prepared.send(record);
        } catch (const panelink::cli::UsageError &e) {
            refuse(board, what, e.what(), kept);
            return;
        }
        if (written == 0) {
            refuse(board, what, "the board did not take the " + prepared.what, kept);
            return;
        }
        log_debug(board + " " + what + ": " + prepared.what + " sent");
        answer(board, what,
               ordered_json{
                   {"board", board}, {"request", what}, {"result", "done"}, {"bytes", written}}
                   .dump(),
               kept.response_topic, kept.correlation);
    };
    if (!queues_.push(board, std::move(job)))
        refuse(board, what,
               "the command queue of board " + board + " is full (" +
                   std::to_string(config_.limits.queue_per_board) + " commands)",
               message);
}

void MqttBridge::run_status(const std::string &board, const MqttMessage &message) {
    MqttMessage kept = message;
    kept.payload = {};
    auto job = [this, board, kept] {
        const std::optional<OpenBoard> open = registry_.find(board);
        if (!open) {
            refuse(board, "status/get", "board " + board + " went offline before the request ran",
                   kept);
            return;
        }
        DeviceRecord record = open->record;
        auto status = std::make_unique<StatusRecord>();
        {
            const StatusRequestScope no_polls(open->status_requests);
            RetrieveStatus(&record, status.get());
        }
        ordered_json answer_json =
            panelink::cli::status_json(record, panelink::cli::summarize_status(record, *status));
        answer_json["board"] = board;
        const std::string payload =
            answer_json.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
        if (kept.response_topic.empty())
            connection_->publish(topics_.board(board, "status"), payload, false);
        else
            answer(board, "status/get", payload, kept.response_topic, kept.correlation);
    };
    if (!queues_.push(board, std::move(job)))
        refuse(board, "status/get",
               "the command queue of board " + board + " is full (" +
                   std::to_string(config_.limits.queue_per_board) + " commands)",
               message);
}

} // namespace panelinkd
