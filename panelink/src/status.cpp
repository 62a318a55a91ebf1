#include "status.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "output_commands.h"
#include "product_catalogue.h"

namespace panelink::status {
namespace {

using Reply = std::array<uint8_t, PANELINK_INPUT_STATES_SIZE>;

// A module type's flag block: `per_port` flags for each of the 24 ports.
struct TypeBlock {
    uint8_t *flags;
    size_t per_port;
};

TypeBlock type_block(StatusRecord &s, uint8_t type) {
    switch (type) {
    case 1:
        return {s.Type1Flags, sizeof s.Type1Flags / kMaxPorts};
    case 2:
        return {s.Type2Flags, sizeof s.Type2Flags / kMaxPorts};
    case 3:
        return {s.Type3Flags, sizeof s.Type3Flags / kMaxPorts};
    case 4:
        return {s.Type4Flags, sizeof s.Type4Flags / kMaxPorts};
    case 5:
        return {s.Type5Flags, sizeof s.Type5Flags / kMaxPorts};
    case 6:
        return {s.Type6Flags, sizeof s.Type6Flags / kMaxPorts};
    default:
        return {s.Type7Flags, sizeof s.Type7Flags / kMaxPorts};
    }
}

static_assert(sizeof(StatusRecord::Type1Flags) == 56 * kMaxPorts);
static_assert(sizeof(StatusRecord::Type5Flags) == 64 * kMaxPorts);
static_assert(sizeof(StatusRecord::Type7Flags) == 4 * kMaxPorts);
static_assert(sizeof(StatusRecord::PairInputFlags) == kPairInputFlags * kMaxPorts / 2);

void fill_port_flags(StatusRecord &s, uint8_t type, size_t port, uint8_t value) {
    const TypeBlock block = type_block(s, type);
    std::fill_n(block.flags + port * block.per_port, block.per_port, value);
}

// A port's status byte: bit 0 present, bit 1 fault, bits 2 to 5 module type.
void set_port_status(StatusRecord &s, size_t port, uint8_t status) {
    s.PortPresent[port] = status & 0x01;
    s.PortFault[port] = (status >> 1) & 0x01;
    s.PortType[port] = (status >> 2) & 0x0F;
}

void mark_port_unusable(StatusRecord &s, size_t port) {
    s.PortPresent[port] = 0;
    s.PortFault[port] = 1;
    s.PortType[port] = 0;
}

bool port_active_with_type(const StatusRecord &s, size_t port, uint8_t type) {
    return s.PortPresent[port] != 0 && s.PortFault[port] == 0 && s.PortType[port] == type;
}

output::ReportBuffer port_status_query(uint8_t pair) {
    output::ReportBuffer r{};
    r[2] = 0x06;
    r[3] = 0x04;
    r[4] = 0x1C;
    r[6] = kPortStatusCode;
    r[7] = pair;
    r[8] = 0x04;
    return r;
}

output::ReportBuffer pair_input_query(uint8_t pair) {
    output::ReportBuffer r{};
    r[2] = 0x0A;
    r[3] = 0x1E;
    r[4] = 0x1C;
    r[6] = kPairInputCode;
    r[7] = pair;
    r[8] = 0x1E;
    return r;
}

output::ReportBuffer config_status_query() {
    output::ReportBuffer r{};
    r[4] = kConfigStatusCode;
    return r;
}

// Sends one request and reads its reply (the input report's bytes after the report ID) into
// `reply`. True when the reply counts. A record whose output reports do not fit the request
// buffer gets no request at all, which reads as unanswered.
bool exchange(DeviceRecord &record, const output::ReportBuffer &request, uint8_t code,
              Reply &reply) {
    if (!output::fits_report_buffer(record))
        return false;
    WriteData(&record, request.data()); // the reply decides the outcome
    reply.fill(0);
    return ReadData(&record, reply.data()) == PANELINK_READ_DECODED && reply[0] == code;
}

void query_ports(DeviceRecord &record, StatusRecord &status) {
    const size_t ports = std::min<size_t>(static_cast<uint16_t>(record.PortCount), kMaxPorts);
    if (ports == 0)
        return;
    Reply reply;
    for (size_t i = 0; i < ports; i += 2) {
        const auto pair = static_cast<uint8_t>(i / 2);
        const bool ports_answered =
            exchange(record, port_status_query(pair), kPortStatusCode, reply);
        apply_port_status(status, i, ports_answered ? reply.data() : nullptr);
        const bool inputs_answered =
            exchange(record, pair_input_query(pair), kPairInputCode, reply);
        apply_pair_inputs(status, i, inputs_answered ? reply.data() : nullptr);
    }
    std::memset(status.ClearedFlagsA, 0, sizeof status.ClearedFlagsA);
    std::memset(status.ClearedFlagsB, 0, sizeof status.ClearedFlagsB);
}

void query_config(DeviceRecord &record, StatusRecord &status) {
    if (record.IsConfigInterface == 0)
        return;
    Reply reply;
    const bool answered = exchange(record, config_status_query(), kConfigStatusCode, reply);
    apply_config_status(status, answered ? reply.data() : nullptr);
}

} // namespace

void initial_fill(StatusRecord &s) {
    std::memset(s.ExtraFlagsA, 1, sizeof s.ExtraFlagsA);
    std::memset(s.BaseFlags, 1, sizeof s.BaseFlags);
    std::memset(s.PortPresent, 1, sizeof s.PortPresent);
    std::memset(s.PortFault, 1, sizeof s.PortFault);
    std::memset(s.PortType, 0, sizeof s.PortType);
    std::memset(s.ExtraFlagsB, 1, sizeof s.ExtraFlagsB);
    std::memset(s.PairInputFlags, 1, sizeof s.PairInputFlags);
    std::memset(s.Type4Flags, 1, sizeof s.Type4Flags);
    std::memset(s.Type6Flags, 1, sizeof s.Type6Flags);
    std::memset(s.Type5Flags, 1, sizeof s.Type5Flags);
    std::memset(s.Type7Flags, 1, sizeof s.Type7Flags);
}

void apply_port_status(StatusRecord &s, size_t first_port, const uint8_t *reply) {
    if (reply) {
        set_port_status(s, first_port, reply[1]);     // report byte 2
        set_port_status(s, first_port + 1, reply[3]); // report byte 4
    } else {
        mark_port_unusable(s, first_port);
        mark_port_unusable(s, first_port + 1);
    }
}

void apply_pair_inputs(StatusRecord &s, size_t first_port, const uint8_t *reply) {
    uint8_t *pair_flags = s.PairInputFlags + (first_port / 2) * kPairInputFlags;
    for (size_t j = 0; j < kPairInputFlags; ++j)
        pair_flags[j] = reply ? (reply[1 + j] & 0x01) : 0; // report bytes 2 to 31
    for (uint8_t type = kFirstModuleType; type <= kLastModuleType; ++type) {
        for (size_t port = first_port; port < first_port + 2; ++port) {
            const bool on = reply && port_active_with_type(s, port, type);
            fill_port_flags(s, type, port, on ? 1 : 0);
        }
    }
}

void apply_config_status(StatusRecord &s, const uint8_t *reply) {
    if (!reply) {
        for (size_t port = 0; port < kMaxPorts; ++port)
            mark_port_unusable(s, port);
        return;
    }
    const uint8_t b2 = reply[1]; // report byte 2
    const uint8_t b4 = reply[3]; // report byte 4
    s.PortPresent[0] = s.PortPresent[1] = b2 & 0x01;
    const bool port0_ok = (b2 & 0x0E) == 0x08;
    s.PortType[0] = port0_ok ? 0 : 15;
    s.PortFault[0] = port0_ok ? 0 : 1;
    const bool port1_ok = (b4 & 0x0E) == 0x08 || (b2 & 0x0E) == 0x0A;
    s.PortType[1] = port1_ok ? 4 : 15;
    s.PortFault[1] = port1_ok ? 0 : 1;
}

void retrieve(DeviceRecord &record, StatusRecord &status) {
    initial_fill(status);
    switch (catalogue::status_protocol(record.ProductID)) {
    case catalogue::StatusProtocol::PortBoard:
        query_ports(record, status);
        break;
    case catalogue::StatusProtocol::ConfigBoard:
        query_config(record, status);
        break;
    case catalogue::StatusProtocol::None:
        break;
    }
}

} // namespace panelink::status

extern "C" PANELINK_API int32_t PANELINK_CALL RetrieveStatus(DeviceRecord *record,
                                                             StatusRecord *status) {
    if (record && status)
        panelink::status::retrieve(*record, *status);
    return 1;
}
