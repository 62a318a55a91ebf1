// The boards the program starts with, from its command line: a set-up file, or --board
// PRODUCT_ID (repeatable) for boards of those models with default settings.
#pragma once

#include <string>
#include <vector>

#include "board_setup.h"

namespace panelink::virtualboard {

// `file` may be empty; `products` are numbers in decimal or 0x hexadecimal. Both may be given:
// the file's boards come first. False with a reason for a bad file or an unknown model.
bool startup_boards(const std::string &file, const std::vector<std::string> &products,
                    std::vector<BoardSetup> &boards, std::string &error);

} // namespace panelink::virtualboard
