#include "startup_boards.h"

#include <cstdio>

#include "hex.h"
#include "setup_file.h"

namespace panelink::virtualboard {

bool startup_boards(const std::string &file, const std::vector<std::string> &products,
                    std::vector<BoardSetup> &boards, std::string &error) {
    std::vector<BoardSetup> chosen;
    if (!file.empty() && !open_setup_file(file, chosen, error)) {
        return false;
    }
    for (const std::string &text : products) {
        const auto product = board_models::parse_number(text, 0xFFFF);
        const board_models::BoardKind *kind =
            product ? board_models::find_board_kind(static_cast<uint16_t>(*product)) : nullptr;
        if (kind == nullptr) {
            error = "--board " + text + ": no such model; the models are";
            for (const board_models::BoardKind &k : board_models::board_kinds()) {
                char id[8];
                std::snprintf(id, sizeof id, "0x%04x", k.product);
                error += std::string(" ") + id + " (" + k.name + ")";
            }
            return false;
        }
        chosen.push_back(BoardSetup::defaults(*kind));
    }
    boards = std::move(chosen);
    return true;
}

} // namespace panelink::virtualboard
