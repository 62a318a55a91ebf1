#include "output_state.h"

#include <algorithm>

#include "output_commands.h"
#include "output_decoder.h"

namespace panelink::virtualboard {
namespace {

// Byte offsets of an addressed command (0x1C in byte 4) and of board commands.
constexpr size_t kPayloadLength = 1;
constexpr size_t kPortBit = 2;
constexpr size_t kMarker = 4;
constexpr size_t kCommand = 6;
constexpr size_t kPair = 7;
constexpr size_t kPayload = output::kPayloadOffset;
constexpr uint8_t kAddressedMarker = 0x1C;
// Board commands: the LCD's "text follows" byte and selector, the board digits' two bytes.
constexpr size_t kLcdHasText = 5;
constexpr size_t kLcdSelector = 7;
constexpr size_t kBoardDigitBytes = 6;

template <size_t N> std::array<uint8_t, N> bytes_at(const uint8_t *report) {
    std::array<uint8_t, N> bytes{};
    std::copy_n(report, N, bytes.begin());
    return bytes;
}

template <size_t Bits> std::bitset<Bits> bits_at(const uint8_t *report) {
    std::bitset<Bits> bits;
    for (size_t i = 0; i < Bits; ++i) {
        bits[i] = (report[i / 8] >> (i % 8) & 1u) != 0;
    }
    return bits;
}

} // namespace

void OutputState::clear() {
    ports_.clear();
    lcd_lines_.clear();
    board_digits_.reset();
}

bool OutputState::apply(const uint8_t *report, size_t length) {
    if (report == nullptr || length <= kMarker) {
        return false;
    }
    return report[kMarker] == kAddressedMarker ? apply_addressed(report, length)
                                               : apply_board_command(report, length);
}

bool OutputState::apply_addressed(const uint8_t *report, size_t length) {
    if (length <= kPair) {
        return false;
    }
    const size_t payload_length = report[kPayloadLength];
    if (length < kPayload + payload_length) {
        return false; // the report ends before its payload does
    }
    const unsigned port = report[kPair] * 2u + (report[kPortBit] & 1u);
    const uint8_t *payload = report + kPayload;
    PortOutputs drawn = ports_.count(port) != 0 ? ports_[port] : PortOutputs{};
    switch (report[kCommand]) {
    case output::kCmdDigitalOutput:
        if (payload_length == PANELINK_DIRECT_OUTPUT_BYTES) {
            drawn.direct = bits_at<PANELINK_DIRECT_OUTPUT_BYTES * 8>(payload);
        } else if (payload_length == PANELINK_MUX_OUTPUT_BYTES) {
            drawn.mux = bits_at<PANELINK_MUX_OUTPUT_BYTES * 8>(payload);
        } else if (payload_length == PANELINK_LATCHED_OUTPUT_STATES / 8) {
            drawn.latched = bits_at<PANELINK_LATCHED_OUTPUT_STATES>(payload);
        } else {
            return false;
        }
        break;
    case output::kCmdDisplayDigits:
        if (payload_length < kModuleDigits) {
            return false;
        }
        drawn.digits = bytes_at<kModuleDigits>(payload);
        break;
    case output::kCmdDotMatrix:
        if (payload_length < PANELINK_DOT_MATRIX_BYTES) {
            return false;
        }
        drawn.dot_matrix = bytes_at<PANELINK_DOT_MATRIX_BYTES>(payload);
        break;
    case output::kCmdSpiDac:
        if (payload_length < PANELINK_SPI_DAC_BYTES) {
            return false;
        }
        drawn.dac = bytes_at<PANELINK_SPI_DAC_BYTES>(payload);
        break;
    default:
        return false;
    }
    ports_[port] = drawn;
    return true;
}

bool OutputState::apply_board_command(const uint8_t *report, size_t length) {
    switch (report[kMarker]) {
    case output::kCmdSevenSegment:
        if (length < kBoardDigitBytes + kBoardDigits) {
            return false;
        }
        board_digits_ = bytes_at<kBoardDigits>(report + kBoardDigitBytes);
        return true;
    case output::kCmdLcd:
        if (length <= kLcdHasText) {
            return false;
        }
        if (report[kLcdHasText] == 0) {
            lcd_lines_.clear();
            return true;
        }
        if (length < kPayload + PANELINK_LCD_CHARS) {
            return false;
        }
        lcd_lines_[report[kLcdSelector]] =
            std::string(reinterpret_cast<const char *>(report + kPayload), PANELINK_LCD_CHARS);
        return true;
    default:
        return false;
    }
}

std::string OutputState::digits_text(unsigned port) const {
    const auto found = ports_.find(port);
    if (found == ports_.end() || !found->second.digits) {
        return {};
    }
    return board_models::standard_segments_text(found->second.digits->data(), kModuleDigits);
}

} // namespace panelink::virtualboard
