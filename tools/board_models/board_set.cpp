#include "board_set.h"

#include <algorithm>
#include <cstdio>

#include "backends/simulated/demo.h"
#include "hid/report_descriptor.h"

namespace panelink::board_models {
namespace {

// One set bit walking over the data bits of the report, one position per report.
void walking_bit(uint64_t step, uint8_t *report, size_t length) {
    if (length < 2) {
        return;
    }
    const uint64_t bit = step % ((length - 1) * 8);
    report[1 + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
}

// Fills in what the descriptor tells: input report length and numbering.
bool describe_reports(Board &board, std::string &error) {
    const std::vector<uint8_t> &descriptor = board.identity.descriptor;
    hid::ReportDescriptor parsed;
    std::string reason;
    if (!hid::parse_report_descriptor(descriptor.data(), descriptor.size(), parsed, &reason)) {
        error = "the report descriptor does not parse: " + reason;
        return false;
    }
    // Input reports carry their ID byte exactly when some input report of the descriptor is
    // numbered (the parser gives unnumbered reports ID 0).
    for (const hid::Collection &collection : parsed.collections) {
        board.input_report_length =
            std::max<size_t>(board.input_report_length, collection.input_report_byte_length);
        for (const hid::Capability &input :
             collection.caps[static_cast<int>(hid::ReportType::Input)]) {
            if (input.report_id != 0 && !board.numbered_reports) {
                board.numbered_reports = true;
                board.input_report_id = input.report_id;
            }
        }
    }
    return true;
}

} // namespace

std::string Board::label() const {
    char text[40];
    std::snprintf(text, sizeof text, "%04x:%04x interface %d", identity.vendor, identity.product,
                  interface_number);
    return text;
}

std::vector<uint8_t> Board::wire_report(const uint8_t *report, size_t length) const {
    if (length == 0) {
        return {};
    }
    const size_t skip = numbered_reports ? 0 : 1;
    return std::vector<uint8_t>(report + skip, report + length);
}

std::string utf8_text(const wchar_t *text) {
    std::string out;
    for (; text != nullptr && *text != L'\0'; ++text) {
        const auto c = static_cast<uint32_t>(*text);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::vector<Board> demo_board_set() {
    std::vector<Board> boards;
    for (const platform::sim::DemoBoard &demo : platform::sim::demo_boards()) {
        Board board;
        board.identity.vendor = platform::sim::kDemoVendor;
        board.identity.product = demo.product_id;
        board.identity.version = platform::sim::kDemoVersion;
        board.identity.name = utf8_text(demo.product);
        board.identity.uniq = utf8_text(demo.serial);
        board.identity.descriptor.assign(demo.descriptor, demo.descriptor + demo.descriptor_length);
        board.interface_number = demo.interface_number;
        board.motion = demo.motion;
        board.motion_length = demo.report_length;
        std::string error;
        describe_reports(board, error); // the demo descriptors are known to parse
        boards.push_back(std::move(board));
    }
    return boards;
}

bool board_from_options(const BoardOptions &options, Board &board, std::string &error) {
    board = Board{};
    board.identity.vendor = options.vendor;
    board.identity.product = options.product;
    board.identity.version = options.version;
    board.identity.name = options.product_text;
    board.identity.uniq = options.serial;
    board.identity.descriptor = options.descriptor;
    board.interface_number = options.interface_number;
    if (!describe_reports(board, error)) {
        return false;
    }
    if (board.input_report_length < 2) {
        error = "the report descriptor declares no input report";
        return false;
    }
    board.motion = walking_bit;
    board.motion_length = board.input_report_length;
    return true;
}

} // namespace panelink::board_models
