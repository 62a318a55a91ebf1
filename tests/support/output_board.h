// Test support: one virtual vendor board, opened by hand into a DeviceRecord (as enumeration
// would leave it), with the reports written to it at hand.
//
//     OutputBoard board(0x0800);
//     WriteDirectOutput(&board.record(), 3, data);
//     std::vector<uint8_t> sent = board.pop_output();
#pragma once

#include <cstdint>
#include <vector>

#include <panelink/panelink.h>

namespace panelink::test {

class OutputBoard {
  public:
    // Plugs in a board with 64-byte input and output reports (both lengths 65) and opens it.
    // Expects the simulated bus to be enabled (SimBoardsTest does that).
    explicit OutputBoard(uint16_t product_id = 0x0500, bool config_interface = false);
    // Closes the record's handle and unplugs the board.
    ~OutputBoard();
    OutputBoard(const OutputBoard &) = delete;
    OutputBoard &operator=(const OutputBoard &) = delete;

    DeviceRecord &record() { return record_; }
    int id() const { return id_; }

    // The oldest report written to the board, all of its bytes; empty when none is left.
    std::vector<uint8_t> pop_output();
    // Every report written so far, oldest first (the queue is emptied).
    std::vector<std::vector<uint8_t>> pop_all_output();

  private:
    int id_ = 0;
    DeviceRecord record_{};
};

} // namespace panelink::test
