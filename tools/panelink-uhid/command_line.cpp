#include "command_line.h"

#include "hex.h"

#ifndef PANELINK_UHID_VERSION
#define PANELINK_UHID_VERSION "unknown"
#endif

namespace panelink::uhid_tool {

using namespace board_models;
namespace {

constexpr const char *kInputsHelp =
    "How inputs move: 'motion' (one report every 20 ms: the demo boards move as in the "
    "library's demo set, a single board walks one set bit over its inputs), 'stdin' "
    "(commands on standard input, one per line: 'BOARD HEXBYTES...' sends a raw input report, "
    "'BOARD set INPUT 0|1' switches one input, 'BOARD unplug', 'BOARD plug', 'quit'; BOARD is "
    "the number listed at start-up) or 'none'";

bool number(const std::string &text, unsigned long max, const char *what, unsigned long &out,
            std::string &error) {
    const auto value = parse_number(text, max);
    if (!value) {
        error = std::string(what) + " must be a number from 0 to " + std::to_string(max) +
                " (decimal or 0x hexadecimal), not '" + text + "'";
        return false;
    }
    out = *value;
    return true;
}

bool single_board(const CommandLine &c, Board &board, std::string &error) {
    if (c.vendor.empty() || c.product.empty() || c.descriptor.empty()) {
        error = "give --demo, or one board with at least --vendor, --product and --descriptor";
        return false;
    }
    BoardOptions options;
    unsigned long value = 0;
    if (!number(c.vendor, 0xFFFF, "--vendor", value, error)) {
        return false;
    }
    options.vendor = static_cast<uint16_t>(value);
    if (!number(c.product, 0xFFFF, "--product", value, error)) {
        return false;
    }
    options.product = static_cast<uint16_t>(value);
    if (!number(c.device_version, 0xFFFF, "--device-version", value, error)) {
        return false;
    }
    options.version = static_cast<uint16_t>(value);
    if (!number(c.interface_number, 255, "--interface", value, error)) {
        return false;
    }
    options.interface_number = static_cast<int>(value);
    const auto descriptor = parse_hex_bytes(c.descriptor);
    if (!descriptor) {
        error = "--descriptor must be hexadecimal bytes, for example '06 00 ff 09 01 ...'";
        return false;
    }
    options.descriptor = *descriptor;
    options.product_text = c.product_text;
    options.serial = c.serial;
    return board_from_options(options, board, error);
}

bool status_settings(const CommandLine &c, StatusSettings &status, std::string &error) {
    if (c.port_status.size() > status.port_status.size()) {
        error =
            "--port-status takes at most " + std::to_string(status.port_status.size()) + " values";
        return false;
    }
    unsigned long value = 0;
    for (size_t port = 0; port < c.port_status.size(); ++port) {
        if (!number(c.port_status[port], 0xFF, "a port status", value, error)) {
            return false;
        }
        status.port_status[port] = static_cast<uint8_t>(value);
    }
    if (!c.pair_inputs.empty()) {
        if (!number(c.pair_inputs, 0x3FFFFFFF, "--pair-inputs", value, error)) {
            return false;
        }
        status.pair_inputs = static_cast<uint32_t>(value);
    }
    if (!c.config_status.empty()) {
        unsigned long b4 = 0;
        if (c.config_status.size() != 2 ||
            !number(c.config_status[0], 0xFF, "--config-status", value, error) ||
            !number(c.config_status[1], 0xFF, "--config-status", b4, error)) {
            if (error.empty()) {
                error = "--config-status takes two bytes: B2,B4";
            }
            return false;
        }
        status.config_b2 = static_cast<uint8_t>(value);
        status.config_b4 = static_cast<uint8_t>(b4);
    }
    return true;
}

} // namespace

void add_options(CLI::App &app, CommandLine &c) {
    app.set_version_flag("--version", PANELINK_UHID_VERSION);
    auto *demo = app.add_flag("--demo", c.demo,
                              "Serve the library's demo boards (those of PANELINK_SIMULATE=demo)");
    CLI::Option *board_options[] = {
        app.add_option("--vendor", c.vendor, "Vendor ID of the one board to serve")
            ->type_name("NUMBER"),
        app.add_option("--product", c.product, "Product ID")->type_name("NUMBER"),
        app.add_option("--device-version", c.device_version, "Version number")
            ->type_name("NUMBER")
            ->capture_default_str(),
        app.add_option("--product-text", c.product_text, "Product text (the HID name)")
            ->type_name("TEXT"),
        app.add_option("--serial", c.serial, "Serial number text")->type_name("TEXT"),
        app.add_option("--interface", c.interface_number, "Interface number")
            ->type_name("NUMBER")
            ->capture_default_str(),
        app.add_option("--descriptor", c.descriptor, "Report descriptor as hexadecimal bytes")
            ->type_name("HEX"),
    };
    for (CLI::Option *option : board_options) {
        option->group("One board (instead of --demo)");
        demo->excludes(option);
    }
    app.add_option("--inputs", c.inputs, kInputsHelp)
        ->type_name("SOURCE")
        ->check(CLI::IsMember({"motion", "stdin", "none"}))
        ->capture_default_str();
    const char *status_group = "Status replies (boards 0x0800 and 0x0910)";
    app.add_option("--port-status", c.port_status,
                   "Status bytes of ports 0, 1, ... (bit 0 present, bit 1 fault, bits 2-5 "
                   "module type); ports not given hold working modules of types 1 to 7 in turn")
        ->delimiter(',')
        ->type_name("BYTE,...")
        ->group(status_group);
    app.add_option("--pair-inputs", c.pair_inputs,
                   "Bit j: input flag j of every port pair (default 0x3fffffff, all 30 set)")
        ->type_name("MASK")
        ->group(status_group);
    app.add_option("--config-status", c.config_status,
                   "Bytes 2 and 4 of the configuration status reply (default 0x09,0x08)")
        ->delimiter(',')
        ->expected(2)
        ->type_name("B2,B4")
        ->group(status_group);
    app.add_flag("--no-status-replies", c.no_status_replies,
                 "Leave status queries unanswered, as a board that does not answer")
        ->group(status_group);
}

bool settle(const CommandLine &c, std::vector<Board> &boards, ServerOptions &options,
            std::string &error) {
    boards.clear();
    if (c.demo) {
        boards = demo_board_set();
    } else {
        Board board;
        if (!single_board(c, board, error)) {
            return false;
        }
        boards.push_back(std::move(board));
    }
    options = ServerOptions{};
    options.inputs = c.inputs == "stdin"  ? InputSource::StandardInput
                     : c.inputs == "none" ? InputSource::None
                                          : InputSource::Motion;
    options.answer_status = !c.no_status_replies;
    return status_settings(c, options.status, error);
}

} // namespace panelink::uhid_tool
