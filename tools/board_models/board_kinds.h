// The family's models a virtual board can be: each with its product ID and name, the interfaces
// it puts on the bus (the demo boards' descriptors, texts and serial numbers, and a
// configuration interface where the model has one), how many inputs it reports and how many
// module ports its status answers describe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board_set.h"

namespace panelink::board_models {

struct BoardKind {
    uint16_t product = 0;
    std::string name;         // the product text the board gives, e.g. "Halcyon-256 USB MODULE"
    unsigned input_count = 0; // inputs 0 .. input_count - 1, bit i % 8 of data byte i / 8
    unsigned port_count = 0;  // ports whose status the board answers (0: no status query)
};

// Every model on offer, in ascending product ID.
const std::vector<BoardKind> &board_kinds();

// The model of `product`, or null when no virtual board of it exists.
const BoardKind *find_board_kind(uint16_t product);

// The interfaces of a board of `product`, first interface first; empty for an unknown model.
std::vector<Board> interfaces_of(uint16_t product);

} // namespace panelink::board_models
