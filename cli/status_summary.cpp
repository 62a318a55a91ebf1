#include "status_summary.h"

#include <algorithm>

namespace panelink::cli {
namespace {

constexpr uint16_t kPortBoard = 0x0800;
constexpr uint16_t kConfigBoard = 0x0910;
constexpr int kMaxPorts = 24;
constexpr int kPairFlags = 30;

std::string port_words(const PortState &p) {
    if (!p.present)
        return p.fault ? "no module (absent, or the board did not answer)" : "no module";
    if (p.fault)
        return "module present, faulty (type " + std::to_string(p.type) + ")";
    if (p.active)
        return "module type " + std::to_string(p.type) + ", working";
    return "present, working, no module type (" + std::to_string(p.type) + ")";
}

PortState port_state(const StatusRecord &s, int port) {
    PortState p{};
    p.port = port;
    p.present = s.PortPresent[port] != 0;
    p.fault = s.PortFault[port] != 0;
    p.type = s.PortType[port];
    p.active = p.present && !p.fault && p.type >= 1 && p.type <= 7;
    p.words = port_words(p);
    return p;
}

} // namespace

StatusSummary summarize_status(const DeviceRecord &record, const StatusRecord &status) {
    StatusSummary summary;
    int ports = 0;
    if (record.ProductID == kPortBoard) {
        // The board is asked pair by pair: PortCount rounded up to a whole pair.
        ports = std::min(kMaxPorts, (std::max<int>(record.PortCount, 0) + 1) / 2 * 2);
        summary.queried = ports > 0;
        summary.note = summary.queried ? "ports and pair input flags as the board reports them"
                                       : "the board has no module ports";
    } else if (record.ProductID == kConfigBoard && record.IsConfigInterface != 0) {
        ports = 2;
        summary.queried = true;
        // An answer always gives port 1 a type (4, or 15 when unusable); no answer leaves 0.
        summary.answered = status.PortType[1] != 0;
        summary.note = *summary.answered
                           ? "ports 0 and 1 as the configuration interface reports them"
                           : "the configuration interface did not answer the status query";
    } else if (record.ProductID == kConfigBoard) {
        summary.note = "this board reports its ports on its configuration interface: see "
                       "'panelink list --mode devices' and use --mode devices";
    } else {
        summary.note = "this board does not report port status";
    }
    for (int port = 0; port < ports; ++port)
        summary.ports.push_back(port_state(status, port));
    if (record.ProductID == kPortBoard) {
        for (int pair = 0; pair < ports / 2; ++pair) {
            PairInputs inputs{pair, {}};
            std::copy_n(status.PairInputFlags + pair * kPairFlags, kPairFlags,
                        inputs.flags.begin());
            summary.pairs.push_back(inputs);
        }
    }
    return summary;
}

} // namespace panelink::cli
