// Arguments in a person's terms: numbers in decimal or 0x hexadecimal, bytes in hexadecimal, and
// the names of the detection modes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

namespace panelink::cli {

// A whole number from `min` to `max`: decimal (with an optional minus sign) or 0x hexadecimal.
std::optional<int64_t> parse_number(std::string_view text, int64_t min, int64_t max);

// Bytes written in hexadecimal: each argument holds one or more bytes, "ff", "0x1f", "7",
// "01ff20" or "01 ff,20:30" (a piece of one or two digits is one byte, a longer piece is read two
// digits per byte and must have an even number of digits). Nothing when a piece is not hex.
std::optional<std::vector<uint8_t>> parse_hex_bytes(const std::vector<std::string> &arguments);

// A validator for number options: checks the range and hands the number on in decimal.
CLI::Validator number_range(int64_t min, int64_t max);

// The detection modes by name (standard, all, devices, flash, report) and their values.
const std::map<std::string, int32_t> &detection_modes();

// Adds `--mode NAME` (default standard) storing the mode's value in `mode`.
void add_mode_option(CLI::App &app, int32_t &mode);

} // namespace panelink::cli
