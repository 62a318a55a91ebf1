// Saved set-ups: a list of boards with their port modules, encoder pairs and push buttons as a
// small JSON document, for example
//
//   {"boards": [{"product": "0x0500", "encoders": [{"clockwise": 0, "counter_clockwise": 1}],
//                "push_buttons": [4, 5], "ports": []}]}
//
// Reading checks everything a board model relies on: a known model, inputs within its count,
// no input used twice, no more ports than the model answers for, module types 0 to 15.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "board_setup.h"

namespace panelink::virtualboard {

std::string setup_to_json(const std::vector<BoardSetup> &boards);

// The boards of a document, or false with a reason naming the board and field at fault
// (`boards` is then left as it was).
bool setup_from_json(std::string_view text, std::vector<BoardSetup> &boards, std::string &error);

// Checks one board's settings against its model.
bool check_setup(const BoardSetup &setup, std::string &error);

bool save_setup_file(const std::string &path, const std::vector<BoardSetup> &boards,
                     std::string &error);
bool open_setup_file(const std::string &path, std::vector<BoardSetup> &boards, std::string &error);

} // namespace panelink::virtualboard
