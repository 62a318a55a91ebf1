// Bytes as hexadecimal text and back, for command-line arguments, the input line protocol and
// the log of output reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace panelink::board_models {

// "00 0f a1": two lower-case digits per byte, separated by single spaces.
std::string to_hex(const uint8_t *data, size_t length);

// Reads bytes written as hexadecimal digit pairs. Separators (spaces, tabs, commas, colons) may
// stand between bytes, and a token may carry a "0x" prefix and run several bytes together
// ("06 00 ff", "0600ff", "0x06,0x00,0xFF"). A token with an odd number of digits or any other
// character makes the whole text invalid.
std::optional<std::vector<uint8_t>> parse_hex_bytes(std::string_view text);

// A number in decimal or, with a "0x" prefix, hexadecimal, within 0 to `max`.
std::optional<unsigned long> parse_number(std::string_view text, unsigned long max);

} // namespace panelink::board_models
