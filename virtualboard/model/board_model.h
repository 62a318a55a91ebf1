// One virtual board without a window and without the kernel: its model's interfaces, its inputs
// and the reports they make, what it shows, and the answers it gives to status queries. The
// window draws it; the uhid host (board_host) carries its reports to and from the kernel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board_kinds.h"
#include "board_setup.h"
#include "input_state.h"
#include "output_state.h"
#include "status_answers.h"

namespace panelink::virtualboard {

class BoardModel {
  public:
    // A board of `setup`; null with a reason when the set-up does not fit its model.
    static std::optional<BoardModel> create(const BoardSetup &setup, std::string &error);

    const BoardSetup &setup() const { return setup_; }
    const board_models::BoardKind &kind() const { return *kind_; }
    // Interface 0 carries the inputs; a configuration interface follows where the model has one.
    const std::vector<board_models::Board> &interfaces() const { return interfaces_; }

    InputState &inputs() { return inputs_; }
    const InputState &inputs() const { return inputs_; }
    const OutputState &outputs() const { return outputs_; }
    void clear_outputs() { outputs_.clear(); }

    // The bytes the kernel gets for the present input state (interface 0).
    std::vector<uint8_t> input_wire_report() const;

    // What receiving `report` (report ID byte first) on interface `interface` does.
    struct Received {
        bool drawn = false;                        // it changed what the board shows
        std::optional<std::vector<uint8_t>> reply; // a status answer, report ID byte first
        std::optional<std::string> description;    // the report in words, if it is a command
    };
    Received receive(size_t interface, const uint8_t *report, size_t length);

    // The board's answers to status queries, from its port modules.
    board_models::StatusSettings status_settings() const;
    // Makes these input pairs the encoders and these inputs the push buttons (every other input
    // a toggle switch). Inputs whose role changes are released first. False with a reason, and
    // nothing changed, when the roles do not fit the board.
    bool set_roles(const std::vector<EncoderPair> &encoders, std::vector<unsigned> push_buttons,
                   std::string &error);
    // Changes the module on `port`; false for a port the board does not answer for.
    bool set_port(size_t port, const PortModule &module);

  private:
    BoardModel(const BoardSetup &setup, const board_models::BoardKind &kind,
               std::vector<board_models::Board> interfaces);

    BoardSetup setup_;
    const board_models::BoardKind *kind_;
    std::vector<board_models::Board> interfaces_;
    InputState inputs_;
    OutputState outputs_;
};

} // namespace panelink::virtualboard
