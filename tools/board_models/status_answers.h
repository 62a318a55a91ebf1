// The board side of status retrieval: a board that receives a status query answers it with an
// input report that echoes the query's code. By the status protocol of its product (the
// library's product catalogue): a port board (0x0800) answers the port status (0x25) and pair
// input (0x27) queries of each port pair; the configuration board (0x0910) answers the
// configuration status query (0x13).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "status.h"

namespace panelink::board_models {

struct StatusSettings {
    // Status byte of each port: bit 0 present, bit 1 fault, bits 2 to 5 module type. By default
    // every port holds a working module, the types 1 to 7 in turn.
    std::array<uint8_t, status::kMaxPorts> port_status = default_port_status();
    // Bit j: flag j of every pair's 30 input flags (by default all set).
    uint32_t pair_inputs = (1u << status::kPairInputFlags) - 1;
    // Reply bytes 2 and 4 of the configuration status: by default port 0 present and working,
    // port 1 working with a type 4 module.
    uint8_t config_b2 = 0x09;
    uint8_t config_b4 = 0x08;

    static std::array<uint8_t, status::kMaxPorts> default_port_status();
};

// The reply of `product` to the output report `query` (report ID byte first), as an input
// report of `reply_length` bytes, report ID byte first; nothing when the report is no status
// query this product answers.
std::optional<std::vector<uint8_t>> status_reply(uint16_t product, const uint8_t *query,
                                                 size_t length, const StatusSettings &settings,
                                                 size_t reply_length);

} // namespace panelink::board_models
