// Test support: one virtual board, opened by hand into a DeviceRecord (as enumeration would
// leave it), with the reports it is to deliver and the reports written to it at hand.
//
//     OpenBoard board(0x0800);                   // a vendor board, 65-byte reports
//     WriteDirectOutput(&board.record(), 3, data);
//     std::vector<uint8_t> sent = board.pop_output();
//
//     Board stick = make_board(0x0600);
//     stick.report_descriptor = joystick_descriptor({{1, 32}});
//     OpenBoard joystick(stick);                 // report lengths and usage from the descriptor
//     joystick.push_input(input_report({0x05}));
//
// Expects the simulated bus to be enabled (SimBoardsTest does that).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <panelink/panelink.h>

#include "support/sim_boards.h"

namespace panelink::test {

class OpenBoard {
  public:
    // Plugs in a vendor board with 64-byte input and output reports (both lengths 65) at
    // board_path(), and opens it.
    explicit OpenBoard(uint16_t product_id = 0x0500, bool config_interface = false);
    // Plugs in `board` and opens it. The record takes the board's identity, and its report
    // lengths, usage and usage page from the board's report descriptor (0 without one).
    explicit OpenBoard(const Board &board);
    // Closes every handle the board was opened with and unplugs it (if a test has not already).
    ~OpenBoard();
    OpenBoard(const OpenBoard &) = delete;
    OpenBoard &operator=(const OpenBoard &) = delete;

    DeviceRecord &record() { return record_; }
    int id() const { return id_; }
    const std::string &path() const { return path_; }

    // Opens the board once more and puts the new handle into the record; the earlier handle
    // stays open (as when a board is enumerated again).
    void reopen();

    // Queues an input report (report ID byte first) for the board to deliver.
    void push_input(const std::vector<uint8_t> &report);

    // The oldest report written to the board, all of its bytes; empty when none is left.
    std::vector<uint8_t> pop_output();
    // Every report written so far, oldest first (the queue is emptied).
    std::vector<std::vector<uint8_t>> pop_all_output();

  private:
    int id_ = 0;
    std::string path_;
    DeviceRecord record_{};
    std::vector<uint32_t> handles_;
};

// SimBoardsTest with a vendor board (product 0x0500) opened as `board` before every test and
// closed after it.
class OneBoardTest : public SimBoardsTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::optional<OpenBoard> board;
};

// An input report without report ID (byte 0 is 0): `data` from byte 1 on, then zeros, `length`
// bytes in all.
std::vector<uint8_t> input_report(std::initializer_list<uint8_t> data, size_t length = 65);

// A 65-byte report that is zero except for the `set` (offset, value) bytes.
std::vector<uint8_t> report_with(std::initializer_list<std::pair<size_t, uint8_t>> set);

} // namespace panelink::test
