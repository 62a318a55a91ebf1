// Output reports of the board family in words: which command a report carries, for which port,
// and what its payload says. Used to log what programs send to the virtual boards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace panelink::board_models {

// One line describing the output report `report` (report ID byte first), for example
// "direct output, port 5 (pair 2): 01 02 ...", or nothing for a report that carries no known
// command. Bytes a command uses beyond the end of a short report read as 0, and the line says
// the report was short.
std::optional<std::string> describe_output(const uint8_t *report, size_t length);

// Seven-segment patterns as text, leftmost digit first; a decimal point follows its digit.
// Patterns that show no character of the order read as '?'.
std::string standard_segments_text(const uint8_t *patterns_right_to_left, size_t count);
std::string tandem_segments_text(const uint8_t *patterns_right_to_left, size_t count);

} // namespace panelink::board_models
