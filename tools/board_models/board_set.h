// The boards the program serves: the library's demo set, or one board described on the command
// line. Each carries the identity the kernel device is created with and what the program needs
// to drive it (its motion, its report lengths, whether its reports are numbered).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "backends/simulated/bus.h"
#include "virtual_hid_device.h"

namespace panelink::board_models {

struct Board {
    uhid::Identity identity; // phys is left empty: it is made unique when the device is created
    int interface_number = 0;
    // Fills an input report (report ID byte first) after `step` earlier ones; null: no motion.
    platform::sim::MotionFill motion = nullptr;
    size_t motion_length = 0;
    // Largest input report of the descriptor, report ID byte included (a 0 byte without IDs).
    size_t input_report_length = 0;
    // Whether the descriptor numbers its input reports; without numbers the kernel gets
    // reports without their leading 0 byte.
    bool numbered_reports = false;
    // Report ID of the first numbered input report (0 without report IDs).
    uint8_t input_report_id = 0;

    // "12da:0910 interface 1"
    std::string label() const;
    // The bytes the board sends for `report`, given with its report ID byte first.
    std::vector<uint8_t> wire_report(const uint8_t *report, size_t length) const;
};

// One board given on the command line.
struct BoardOptions {
    uint16_t vendor = 0;
    uint16_t product = 0;
    uint16_t version = 0;
    std::string product_text;
    std::string serial;
    int interface_number = 0;
    std::vector<uint8_t> descriptor;
};

// The boards of PANELINK_SIMULATE=demo, with their texts, descriptors and motion.
std::vector<Board> demo_board_set();

// A board from the command line. Its descriptor must parse and declare an input report; its
// inputs move as one set bit walking over the report's data bits.
bool board_from_options(const BoardOptions &options, Board &board, std::string &error);

// Wide device text as UTF-8.
std::string utf8_text(const wchar_t *text);

} // namespace panelink::board_models
