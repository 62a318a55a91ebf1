#include "board_model.h"

#include <algorithm>

#include "output_decoder.h"
#include "setup_file.h"

namespace panelink::virtualboard {
namespace {

// The configuration board answers for its two ports in two bytes: bit 0 of the first says both
// are present, bits 1 to 3 of each are 0b100 for a working module and 0b001 for a faulty one.
constexpr uint8_t kConfigPresent = 0x01;
constexpr uint8_t kConfigWorking = 0x08;
constexpr uint8_t kConfigFaulty = 0x02;

} // namespace

BoardModel::BoardModel(const BoardSetup &setup, const board_models::BoardKind &kind,
                       std::vector<board_models::Board> interfaces)
    : setup_(setup), kind_(&kind), interfaces_(std::move(interfaces)),
      inputs_(interfaces_.front().input_report_length, interfaces_.front().input_report_id,
              kind.input_count) {}

std::optional<BoardModel> BoardModel::create(const BoardSetup &setup, std::string &error) {
    if (!check_setup(setup, error)) {
        return std::nullopt;
    }
    const board_models::BoardKind *kind = board_models::find_board_kind(setup.product);
    std::vector<board_models::Board> interfaces = board_models::interfaces_of(setup.product);
    if (interfaces.empty()) {
        error = "no interfaces are known for " + kind->name;
        return std::nullopt;
    }
    return BoardModel(setup, *kind, std::move(interfaces));
}

std::vector<uint8_t> BoardModel::input_wire_report() const {
    const std::vector<uint8_t> &report = inputs_.report();
    return interfaces_.front().wire_report(report.data(), report.size());
}

board_models::StatusSettings BoardModel::status_settings() const {
    board_models::StatusSettings settings;
    for (size_t port = 0; port < setup_.ports.size() && port < settings.port_status.size();
         ++port) {
        settings.port_status[port] = setup_.ports[port].status_byte();
    }
    const auto config_byte = [&](size_t port) {
        if (port >= setup_.ports.size()) {
            return kConfigWorking;
        }
        return setup_.ports[port].fault ? kConfigFaulty : kConfigWorking;
    };
    const bool present = setup_.ports.empty() || setup_.ports[0].present;
    settings.config_b2 = static_cast<uint8_t>((present ? kConfigPresent : 0) | config_byte(0));
    settings.config_b4 = config_byte(1);
    return settings;
}

bool BoardModel::set_roles(const std::vector<EncoderPair> &encoders,
                           std::vector<unsigned> push_buttons, std::string &error) {
    BoardSetup changed = setup_;
    changed.encoders = encoders;
    std::ranges::sort(push_buttons);
    changed.push_buttons = std::move(push_buttons);
    if (!check_setup(changed, error)) {
        return false;
    }
    inputs_.drop_pulses();
    for (unsigned input = 0; input < inputs_.input_count(); ++input) {
        if (role_of(setup_, input) != role_of(changed, input)) {
            inputs_.set(input, false);
        }
    }
    setup_ = std::move(changed);
    return true;
}

bool BoardModel::set_port(size_t port, const PortModule &module) {
    if (port >= setup_.ports.size()) {
        return false;
    }
    setup_.ports[port] = module;
    return true;
}

BoardModel::Received BoardModel::receive(size_t interface, const uint8_t *report, size_t length) {
    Received received;
    if (interface >= interfaces_.size() || report == nullptr || length == 0) {
        return received;
    }
    received.description = board_models::describe_output(report, length);
    received.reply = board_models::status_reply(setup_.product, report, length, status_settings(),
                                                interfaces_[interface].input_report_length);
    if (!received.reply) {
        received.drawn = outputs_.apply(report, length);
    }
    return received;
}

} // namespace panelink::virtualboard
