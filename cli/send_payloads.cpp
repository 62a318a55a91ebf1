#include "send_payloads.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "arguments.h"
#include "exit_status.h"

namespace panelink::cli {
namespace {

constexpr size_t kDisplayDigits = 7;
constexpr size_t kTandemGroupDigits = 4;
constexpr size_t kTandemGroupBytes = 9; // text and its terminator
constexpr size_t kTandemDigitByte = 18;
// The single digit's patterns 0 to 15, by the character each shows.
constexpr std::string_view kTandemDigitPatterns = "0123456789-LP= r";

// Checks that `text` has only characters of `allowed` and at most `digits` digits ('.' takes
// none).
void check_digits(const std::string &text, std::string_view allowed, size_t digits,
                  const std::string &what) {
    for (char c : text) {
        if (allowed.find(c) == std::string_view::npos)
            throw UsageError(what + " shows only the characters \"" + std::string(allowed) +
                             "\", not '" + std::string(1, c) + "'");
    }
    const auto used = static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return c != '.'; }));
    if (used > digits)
        throw UsageError(what + " has " + std::to_string(digits) + " digits, '" + text +
                         "' needs " + std::to_string(used));
}

} // namespace

std::vector<uint8_t> fixed_bytes(const std::vector<std::string> &arguments, size_t size,
                                 const std::string &what) {
    const auto bytes = parse_hex_bytes(arguments);
    if (!bytes)
        throw UsageError(what + ": bytes are written in hexadecimal, e.g. 'ff 01' or '0xff01'");
    if (bytes->empty() || bytes->size() > size)
        throw UsageError(what + " takes 1 to " + std::to_string(size) + " bytes, not " +
                         std::to_string(bytes->size()));
    std::vector<uint8_t> padded = *bytes;
    padded.resize(size, 0);
    return padded;
}

std::string padded_text(const std::string &text, size_t size, const std::string &what) {
    if (text.size() > size)
        throw UsageError(what + " takes at most " + std::to_string(size) + " characters, '" + text +
                         "' has " + std::to_string(text.size()));
    std::string padded = text;
    padded.resize(size, ' ');
    return padded;
}

std::array<uint8_t, PANELINK_LATCHED_OUTPUT_STATES> latched_states(const std::string &text) {
    std::array<uint8_t, PANELINK_LATCHED_OUTPUT_STATES> states{};
    size_t output = 0;
    for (char c : text) {
        if (c == '_' || c == ' ')
            continue;
        if (c != '0' && c != '1')
            throw UsageError("latched output states are '0' and '1' characters, not '" +
                             std::string(1, c) + "'");
        if (output == states.size())
            throw UsageError("latched output takes at most " + std::to_string(states.size()) +
                             " states");
        states[output++] = c == '1' ? 1 : 0;
    }
    if (output == 0)
        throw UsageError("latched output needs at least one state");
    return states;
}

void check_display_text(const std::string &text) {
    check_digits(text, "0123456789- .", kDisplayDigits, "the display");
}

std::array<char, 22> tandem_layout(const std::string &group1, const std::string &group2,
                                   const std::string &digit, uint8_t byte20, uint8_t byte21) {
    std::array<char, 22> layout{};
    const std::string groups[] = {group1, group2};
    for (size_t g = 0; g < 2; ++g) {
        const std::string what = "group " + std::to_string(g + 1);
        check_digits(groups[g], "0123456789-LP=r .", kTandemGroupDigits, what);
        if (groups[g].size() >= kTandemGroupBytes)
            throw UsageError(what + " takes at most 8 characters");
        std::memcpy(layout.data() + g * kTandemGroupBytes, groups[g].data(), groups[g].size());
    }
    const size_t pattern =
        digit.size() == 1 ? kTandemDigitPatterns.find(digit[0]) : std::string_view::npos;
    if (pattern == std::string_view::npos)
        throw UsageError("the single digit is one of the characters \"" +
                         std::string(kTandemDigitPatterns) + "\", not '" + digit + "'");
    layout[kTandemDigitByte] = static_cast<char>(pattern);
    layout[20] = static_cast<char>(byte20);
    layout[21] = static_cast<char>(byte21);
    return layout;
}

} // namespace panelink::cli
