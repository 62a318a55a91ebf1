// The service's MQTT topics under the configured prefix:
//   <prefix>/bridge/state               online / offline, retained, also the last will
//   <prefix>/<board>/availability       online / offline, retained
//   <prefix>/<board>/info               the board's identity as JSON, retained
//   <prefix>/<board>/inputs             the current input states, retained
//   <prefix>/<board>/event              one message per input change
//   <prefix>/<board>/set/<command>      output commands from clients
//   <prefix>/<board>/status/get         a request for the board's status
//   <prefix>/<board>/status             the status, for a request without a response topic
//   <prefix>/<board>/error              why a command or request was refused or failed
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace panelinkd {

class Topics {
  public:
    explicit Topics(std::string prefix) : prefix_(std::move(prefix)) {}

    std::string bridge_state() const { return prefix_ + "/bridge/state"; }
    std::string board(const std::string &board, const char *leaf) const {
        return prefix_ + "/" + board + "/" + leaf;
    }
    // The subscriptions that bring the commands and the status requests.
    std::string set_filter() const { return prefix_ + "/+/set/+"; }
    std::string status_filter() const { return prefix_ + "/+/status/get"; }

    // A topic a client sent to, taken apart: its board and what it asks for. `command` is the
    // set command's name, or empty for a status request.
    struct Request {
        std::string board;
        std::string command;
        bool status = false;
    };
    // The request the topic makes, or nothing when it is not one of ours.
    std::optional<Request> parse(std::string_view topic) const;

  private:
    std::string prefix_;
};

} // namespace panelinkd
