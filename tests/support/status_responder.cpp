#include "support/status_responder.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include <panelink/simulation.h>

namespace panelink::test {
namespace {

constexpr size_t kReplyLength = 65;

bool silent(uint32_t mask, unsigned pair) {
    return pair < 32 && (mask >> pair) & 1u;
}

void answer(int id, const unsigned char *report, size_t length, void *context) {
    auto &r = *static_cast<StatusReplies *>(context);
    if (length < 9)
        return;
    ++r.queries_seen;
    std::array<unsigned char, kReplyLength> reply;
    reply.fill(r.filler);
    reply[0] = 0x00; // report ID
    const unsigned pair = report[7];
    if (report[4] == 0x1C && report[6] == 0x25) {
        if (pair >= 12 || silent(r.silent_port_pairs, pair))
            return;
        reply[1] = 0x25;
        reply[2] = r.port_status[2 * pair];
        reply[4] = r.port_status[2 * pair + 1];
    } else if (report[4] == 0x1C && report[6] == 0x27) {
        if (pair >= 12 || silent(r.silent_input_pairs, pair))
            return;
        reply[1] = 0x27;
        std::copy(std::begin(r.pair_inputs[pair]), std::end(r.pair_inputs[pair]),
                  reply.begin() + 2);
    } else if (report[4] == 0x13) {
        if (r.config_silent)
            return;
        reply[1] = 0x13;
        reply[2] = r.config_b2;
        reply[4] = r.config_b4;
    } else {
        return;
    }
    if (r.reply_code >= 0)
        reply[1] = static_cast<unsigned char>(r.reply_code);
    panelink_sim_push_input(id, reply.data(), reply.size());
}

} // namespace

void install_status_responder(int board_id, StatusReplies &replies) {
    panelink_sim_set_responder(board_id, answer, &replies);
}

} // namespace panelink::test
