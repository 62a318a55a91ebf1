// What a virtual board shows, decoded from the output reports it receives: lamps of the direct,
// multiplexed and latched outputs, the digits of seven-segment modules and of the board's own
// two digits, the character LCD's lines, dot-matrix patterns and the SPI DAC's values. Each
// port keeps what its latest command of each kind set; a report too short for its command's
// bytes, or one that carries no command drawn here, changes nothing.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include <panelink/panelink.h>

namespace panelink::virtualboard {

constexpr size_t kModuleDigits = 7;  // a digit module's positions, 0 the rightmost
constexpr size_t kBoardDigits = 2;   // the board's own seven-segment digits
constexpr size_t kDotMatrixRows = 8; // each pattern byte is one column, bit 0 the top row

struct PortOutputs {
    std::optional<std::bitset<PANELINK_DIRECT_OUTPUT_BYTES * 8>> direct;
    std::optional<std::bitset<PANELINK_MUX_OUTPUT_BYTES * 8>> mux;
    std::optional<std::bitset<PANELINK_LATCHED_OUTPUT_STATES>> latched;
    // Segment patterns (a = bit 0 ... g = bit 6, bit 7 the point), index 0 the rightmost digit.
    std::optional<std::array<uint8_t, kModuleDigits>> digits;
    std::optional<std::array<uint8_t, PANELINK_DOT_MATRIX_BYTES>> dot_matrix;
    std::optional<std::array<uint8_t, PANELINK_SPI_DAC_BYTES>> dac;

    bool operator==(const PortOutputs &) const = default;
};

class OutputState {
  public:
    // Draws what `report` (report ID byte first) commands; false when it draws nothing.
    bool apply(const uint8_t *report, size_t length);
    void clear();

    const std::map<unsigned, PortOutputs> &ports() const { return ports_; }
    // The LCD's lines by the selector value they were written with; 20 characters each.
    const std::map<unsigned, std::string> &lcd_lines() const { return lcd_lines_; }
    // The two bytes of the board's own digits, in the order received.
    const std::optional<std::array<uint8_t, kBoardDigits>> &board_digits() const {
        return board_digits_;
    }
    // A port's digits as text ("12.34", blanks as spaces, unknown patterns as '?'); empty when
    // the port got none.
    std::string digits_text(unsigned port) const;

  private:
    bool apply_addressed(const uint8_t *report, size_t length);
    bool apply_board_command(const uint8_t *report, size_t length);

    std::map<unsigned, PortOutputs> ports_;
    std::map<unsigned, std::string> lcd_lines_;
    std::optional<std::array<uint8_t, kBoardDigits>> board_digits_;
};

} // namespace panelink::virtualboard
