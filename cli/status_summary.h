// RetrieveStatus's flags in a person's terms. Product 0x0800 queries its module ports two at a
// time; product 0x0910 answers one query on its configuration interface for its two ports; other
// boards are not asked, and their record holds only the library's fixed initial flags.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <panelink/panelink.h>

namespace panelink::cli {

struct PortState {
    int port;
    bool present;
    bool fault;
    int type;    // module type (bits 2 to 5 of the port's status)
    bool active; // present, no fault, module type 1 to 7
    std::string words;
};

struct PairInputs {
    int pair;
    std::array<uint8_t, 30> flags;
};

struct StatusSummary {
    bool queried = false;         // the board was asked for its ports
    std::optional<bool> answered; // known for the configuration query of 0x0910 only
    std::string note;             // what the status covers, in words
    std::vector<PortState> ports;
    std::vector<PairInputs> pairs;
};

StatusSummary summarize_status(const DeviceRecord &record, const StatusRecord &status);

} // namespace panelink::cli
