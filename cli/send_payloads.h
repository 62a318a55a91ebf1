// The data of the output commands from a person's arguments: hexadecimal bytes padded to a
// command's length, texts padded with spaces, on/off states, seven-segment texts checked against
// the characters the digits can show. Each throws UsageError with the reason when an argument
// does not fit.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <panelink/panelink.h>

namespace panelink::cli {

// `arguments` as hexadecimal bytes (parse_hex_bytes): at least one byte and at most `size`,
// padded with zero bytes to `size`.
std::vector<uint8_t> fixed_bytes(const std::vector<std::string> &arguments, size_t size,
                                 const std::string &what);

// `text` padded with spaces to `size` bytes; longer text is refused.
std::string padded_text(const std::string &text, size_t size, const std::string &what);

// PANELINK_LATCHED_OUTPUT_STATES (64) states from a text of '0' and '1' (the first is output 1; '_'
// and ' ' group them), the outputs not given off.
std::array<uint8_t, PANELINK_LATCHED_OUTPUT_STATES> latched_states(const std::string &text);

// Text for the seven-segment modules: "0"-"9", "-", " " and ".", at most 7 digits (a "." lights
// the decimal point of the digit before it and takes none of its own).
void check_display_text(const std::string &text);

// The 22-byte TANDEM layout: two groups of at most 4 digits ("0"-"9", "-", "L", "P", "=", "r",
// " ", "."), the single digit as one of the characters "0123456789-LP= r", and bytes 20 and 21.
std::array<char, 22> tandem_layout(const std::string &group1, const std::string &group2,
                                   const std::string &digit, uint8_t byte20, uint8_t byte21);

} // namespace panelink::cli
