// Test support: the board side of status retrieval. Installed as the responder of a virtual
// board, it answers the port status (0x25) and pair input (0x27) queries of product 0x0800 and
// the configuration status query (0x13) of product 0x0910 with 65-byte input reports.
#pragma once

#include <cstdint>

namespace panelink::test {

struct StatusReplies {
    uint8_t port_status[24] = {};     // status byte of each port (bit 0 present, 1 fault, 2-5 type)
    uint8_t pair_inputs[12][30] = {}; // report bytes 2 to 31 of each pair's input reply
    uint8_t config_b2 = 0;            // report bytes 2 and 4 of the configuration reply
    uint8_t config_b4 = 0;
    uint32_t silent_port_pairs = 0;  // bit k: pair k's port status query goes unanswered
    uint32_t silent_input_pairs = 0; // bit k: pair k's input query goes unanswered
    bool config_silent = false;
    int reply_code = -1; // >= 0: every reply carries this code instead of echoing the query's
    // Filler of the reply bytes that carry nothing (bytes 3 and 5 of a port status reply, bytes
    // past the used ones): must be ignored by the library.
    uint8_t filler = 0xFF;
    int queries_seen = 0;
};

// Makes board `board_id` answer status queries from `replies`, which must outlive its use.
void install_status_responder(int board_id, StatusReplies &replies);

} // namespace panelink::test
