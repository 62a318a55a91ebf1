// The requests clients send the bridge: output commands, status requests and Home Assistant
// switches, each checked, then run on the board's own command thread, and answered.
#include <algorithm>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "exit_status.h"
#include "log.h"
#include "mqtt_bridge.h"
#include "status_command.h"
#include "status_summary.h"

namespace panelinkd {

using nlohmann::ordered_json;

void MqttBridge::answer(const std::string &payload, const std::string &response_topic,
                        const std::string &correlation) {
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
    const std::string what = request->switch_set
                                 ? "switch/" + request->port + "/" + request->output + "/set"
                             : request->status ? "status/get"
                                               : "set/" + request->command;
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
    if (request->switch_set)
        run_switch(*request, message);
    else if (request->status)
        run_status(request->board, message);
    else
        run_command(request->board, request->command, message);
}

void MqttBridge::run_switch(const Topics::Request &request, const MqttMessage &message) {
    const std::string what = "switch/" + request.port + "/" + request.output + "/set";
    const auto rule =
        std::find_if(config_.switches.begin(), config_.switches.end(), [&](const SwitchRule &r) {
            return r.board == request.board && std::to_string(r.port) == request.port &&
                   std::to_string(r.output) == request.output;
        });
    if (rule == config_.switches.end()) {
        refuse(request.board, what, "no switch is configured at that port and output", message);
        return;
    }
    if (message.payload != "ON" && message.payload != "OFF") {
        refuse(request.board, what, "a switch takes ON or OFF", message);
        return;
    }
    const bool on = message.payload == "ON";
    const std::string board = request.board;
    const int port = rule->port, output = rule->output;
    MqttMessage kept = message;
    kept.payload = {};
    auto job = [this, board, port, output, on, what, kept] {
        const std::optional<OpenBoard> open = registry_.find(board);
        if (!open) {
            refuse(board, what, "board " + board + " went offline before the command ran", kept);
            return;
        }
        // One command thread per board: the port's states are read and written by it alone.
        std::array<uint8_t, PANELINK_LATCHED_OUTPUT_STATES> states{};
        {
            const std::lock_guard lock(latched_lock_);
            states = latched_[{board, port}];
        }
        states[static_cast<size_t>(output - 1)] = on ? 1 : 0;
        DeviceRecord record = open->record;
        if (WriteLatchedOutput(&record, port, states.data(), 0) == 0) {
            refuse(board, what, "the board did not take the latched output", kept);
            return;
        }
        {
            const std::lock_guard lock(latched_lock_);
            latched_[{board, port}] = states;
        }
        connection_->publish(topics_.switch_state(board, port, output), on ? "ON" : "OFF", true);
        answer(ordered_json{{"board", board}, {"request", what}, {"result", "done"}}.dump(),
               kept.response_topic, kept.correlation);
    };
    if (!queues_.push(board, std::move(job)))
        refuse(board, what,
               "the command queue of board " + board + " is full (" +
                   std::to_string(config_.limits.queue_per_board) + " commands)",
               message);
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
        answer(
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
            answer(payload, kept.response_topic, kept.correlation);
    };
    if (!queues_.push(board, std::move(job)))
        refuse(board, "status/get",
               "the command queue of board " + board + " is full (" +
                   std::to_string(config_.limits.queue_per_board) + " commands)",
               message);
}

} // namespace panelinkd
