#include "status_answers.h"

#include "product_catalogue.h"

namespace panelink::board_models {
namespace {

// Byte offsets of a query (report ID byte first).
constexpr size_t kAddressedMarker = 4; // 0x1C for the queries of a port board
constexpr size_t kBoardCommand = 4;    // the configuration status query's code
constexpr size_t kQueryCode = 6;
constexpr size_t kPairNumber = 7;
constexpr uint8_t kAddressed = 0x1C;
// A reply needs room for its code and the bytes it carries: up to byte 31 for pair inputs.
constexpr size_t kShortestReply = 32;

} // namespace

std::array<uint8_t, status::kMaxPorts> StatusSettings::default_port_status() {
    std::array<uint8_t, status::kMaxPorts> ports{};
    for (size_t port = 0; port < ports.size(); ++port) {
        const unsigned type = status::kFirstModuleType + port % status::kLastModuleType;
        ports[port] = static_cast<uint8_t>(0x01 | type << 2);
    }
    return ports;
}

std::optional<std::vector<uint8_t>> status_reply(uint16_t product, const uint8_t *query,
                                                 size_t length, const StatusSettings &settings,
                                                 size_t reply_length) {
    if (query == nullptr || reply_length < kShortestReply) {
        return std::nullopt;
    }
    std::vector<uint8_t> reply(reply_length, 0);
    const catalogue::StatusProtocol protocol = catalogue::status_protocol(product);
    if (protocol == catalogue::StatusProtocol::PortBoard && length > kPairNumber &&
        query[kAddressedMarker] == kAddressed) {
        const size_t pair = query[kPairNumber];
        if (pair >= status::kMaxPorts / 2) {
            return std::nullopt; // no such port pair on the board
        }
        if (query[kQueryCode] == status::kPortStatusCode) {
            reply[1] = status::kPortStatusCode;
            reply[2] = settings.port_status[2 * pair];
            reply[4] = settings.port_status[2 * pair + 1];
            return reply;
        }
        if (query[kQueryCode] == status::kPairInputCode) {
            reply[1] = status::kPairInputCode;
            for (size_t flag = 0; flag < status::kPairInputFlags; ++flag) {
                reply[2 + flag] = static_cast<uint8_t>(settings.pair_inputs >> flag & 1u);
            }
            return reply;
        }
        return std::nullopt;
    }
    if (protocol == catalogue::StatusProtocol::ConfigBoard && length > kBoardCommand &&
        query[kBoardCommand] == status::kConfigStatusCode) {
        reply[1] = status::kConfigStatusCode;
        reply[2] = settings.config_b2;
        reply[4] = settings.config_b4;
        return reply;
    }
    return std::nullopt;
}

} // namespace panelink::board_models
