// Test support: virtual boards on the simulated bus, joystick report descriptors to give them
// (the vendor ones are in report_descriptors.h), and the log files enumeration writes.
//
// Derive a test fixture from SimBoardsTest to run on a fresh simulated bus with a manual clock:
//
//     class MyTest : public panelink::test::SimBoardsTest {};
//     TEST_F(MyTest, Finds) {
//         add_board(0x0500);                     // a 64-input board with the default texts
//         Board quiet = make_board(0x0700);
//         quiet.serial_number = std::nullopt;    // its serial request fails
//         add_board(quiet);
//         ...
//     }
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "support/report_descriptors.h"

namespace panelink::test {

// One input button field of a joystick: usages `usage_min` to `usage_max` of the button page,
// one bit each.
struct ButtonRange {
    uint16_t usage_min;
    uint16_t usage_max;
};

// Where a joystick's axes stand in its reports (and so in the numbering of its data items).
enum class Axes { AfterButtons, BeforeButtons };

// A joystick (Generic Desktop page, usage 4) without report IDs: each button range becomes an
// input main item of its own (one button capability each, padded to a whole byte), and two 8-bit
// axes X and Y follow or precede them.
std::vector<uint8_t> joystick_descriptor(const std::vector<ButtonRange> &buttons,
                                         Axes axes = Axes::AfterButtons);

// Windows-style interface path of a board, e.g.
// "\\?\hid#vid_12da&pid_0910&mi_01#7&1a2b&0&0000#{...}". `config_interface` names the second USB
// interface (with "mi_01"); `instance` keeps paths of boards of the same product apart.
std::string board_path(uint16_t vendor_id, uint16_t product_id, bool config_interface = false,
                       int instance = 0);

// Everything a virtual interface needs; texts left empty make that request fail.
struct Board {
    uint16_t vendor_id = PANELINK_VENDOR_ID_A;
    uint16_t product_id = 0x0500;
    uint16_t version_number = 0x0102;
    std::string path; // empty: board_path(vendor_id, product_id)
    std::optional<std::wstring> manufacturer = L"Maker";
    std::optional<std::wstring> product = L"Board";
    std::optional<std::wstring> serial_number = L"123";
    std::vector<uint8_t> report_descriptor = vendor_descriptor(); // empty: none
};

// A board of `product_id` with the defaults above; `path` empty: board_path().
Board make_board(uint16_t product_id, std::string path = {},
                 uint16_t vendor_id = PANELINK_VENDOR_ID_A);

// Plugs a board into the simulated bus; returns its id (> 0).
int add_board(const Board &board);
int add_board(uint16_t product_id, std::string path = {},
              uint16_t vendor_id = PANELINK_VENDOR_ID_A);

// The whole content of a file (empty when it cannot be read).
std::string read_file(const std::string &name);

// Removes a file if it exists.
void remove_file(const std::string &name);

// The error line enumeration writes for a platform error code.
std::string error_line(uint32_t code);

// Error codes of the simulated bus, in the platform's convention.
uint32_t access_denied_code();    // an open refused by PANELINK_SIM_FAULT_OPEN
uint32_t request_failed_code();   // a failed detail, attributes or device-text request
uint32_t no_interface_set_code(); // PANELINK_SIM_FAULT_ENUMERATION

// A fresh simulated bus with a manual clock for every test. Unless a test clears
// check_handles_closed, handles it opened and left open are reported as a failure.
class SimBoardsTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    bool check_handles_closed = true;

  private:
    size_t open_handles_at_start_ = 0;
};

} // namespace panelink::test
