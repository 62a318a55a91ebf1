#include "board_kinds.h"

#include <algorithm>

#include "backends/simulated/demo.h"
#include "product_catalogue.h"
#include "status.h"

namespace panelink::board_models {
namespace {

// The port board is no demo board: it is served with the vendor-defined descriptor the demo
// boards share (64 data bytes each way), its catalogue name and a serial number of the demo
// boards' pattern.
constexpr uint16_t kPortBoard = 0x0800;
constexpr const char *kPortBoardSerial = "D0800-01";
// The configuration board answers for its two ports.
constexpr unsigned kConfigBoardPorts = 2;

// Inputs of each demo model: what its first interface reports as separate bits.
struct InputCount {
    uint16_t product;
    unsigned inputs;
};
constexpr InputCount kInputCounts[] = {
    {0x0500, 256}, // its layout's input count
    {0x0600, 32},  // the adapter's 32 buttons (the axes are no inputs)
    {0x0700, 64},  // its layout's input count
    {0x0910, 40},  // five data bytes of switches
};

unsigned ports_answered(uint16_t product) {
    switch (catalogue::status_protocol(product)) {
    case catalogue::StatusProtocol::PortBoard:
        return static_cast<unsigned>(status::kMaxPorts);
    case catalogue::StatusProtocol::ConfigBoard:
        return kConfigBoardPorts;
    case catalogue::StatusProtocol::None:
        break;
    }
    return 0;
}

std::vector<BoardKind> make_kinds() {
    std::vector<BoardKind> kinds;
    for (const Board &board : demo_board_set()) {
        const uint16_t product = board.identity.product;
        if (std::ranges::any_of(kinds, [&](const BoardKind &k) { return k.product == product; })) {
            continue; // a second interface of the same board
        }
        BoardKind kind;
        kind.product = product;
        kind.name = board.identity.name;
        for (const InputCount &count : kInputCounts) {
            if (count.product == product) {
                kind.input_count = count.inputs;
            }
        }
        kind.port_count = ports_answered(product);
        kinds.push_back(std::move(kind));
    }
    const catalogue::Product *port_board = catalogue::find(kPortBoard);
    kinds.push_back({kPortBoard, port_board->name, 0, ports_answered(kPortBoard)});
    std::ranges::sort(kinds, {}, &BoardKind::product);
    return kinds;
}

} // namespace

const std::vector<BoardKind> &board_kinds() {
    static const std::vector<BoardKind> kinds = make_kinds();
    return kinds;
}

const BoardKind *find_board_kind(uint16_t product) {
    for (const BoardKind &kind : board_kinds()) {
        if (kind.product == product) {
            return &kind;
        }
    }
    return nullptr;
}

std::vector<Board> interfaces_of(uint16_t product) {
    std::vector<Board> interfaces;
    const std::vector<Board> demo = demo_board_set();
    for (const Board &board : demo) {
        if (board.identity.product == product) {
            interfaces.push_back(board);
        }
    }
    if (product == kPortBoard && !demo.empty()) {
        BoardOptions options;
        options.vendor = demo.front().identity.vendor;
        options.product = kPortBoard;
        options.version = demo.front().identity.version;
        options.product_text = catalogue::find(kPortBoard)->name;
        options.serial = kPortBoardSerial;
        options.descriptor = demo.front().identity.descriptor;
        Board board;
        std::string error;
        if (board_from_options(options, board, error)) {
            interfaces.push_back(std::move(board));
        }
    }
    for (Board &board : interfaces) {
        board.motion = nullptr; // a virtual board's inputs are the user's
        board.motion_length = 0;
    }
    return interfaces;
}

} // namespace panelink::board_models
