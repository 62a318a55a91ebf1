#include "support/sim_boards.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "backends/platform.h"
#include "backends/simulated/errors.h"
#include "handle_table.h"

namespace panelink::test {

std::vector<uint8_t> joystick_descriptor(const std::vector<ButtonRange> &buttons, Axes axes) {
    std::vector<uint8_t> d = {
        0x05, 0x01, // Usage Page (Generic Desktop)
        0x09, 0x04, // Usage (Joystick)
        0xA1, 0x01, // Collection (Application)
    };
    auto add = [&d](std::initializer_list<uint8_t> bytes) { d.insert(d.end(), bytes); };
    auto add_axes = [&add] {
        add({0x05, 0x01, 0x09, 0x30, 0x09, 0x31}); // Usage Page (Generic Desktop), X, Y
        add({0x15, 0x00, 0x26, 0xFF, 0x00});       // Logical Minimum (0), Maximum (255)
        add({0x75, 0x08, 0x95, 0x02, 0x81, 0x02}); // two 8-bit inputs
    };
    if (axes == Axes::BeforeButtons)
        add_axes();
    for (const ButtonRange &range : buttons) {
        const unsigned count = range.usage_max - range.usage_min + 1u;
        add({0x05, 0x09}); // Usage Page (Button)
        add({0x1A, static_cast<uint8_t>(range.usage_min),
             static_cast<uint8_t>(range.usage_min >> 8)});
        add({0x2A, static_cast<uint8_t>(range.usage_max),
             static_cast<uint8_t>(range.usage_max >> 8)});
        add({0x15, 0x00, 0x25, 0x01}); // Logical Minimum (0), Maximum (1)
        add({0x75, 0x01});             // Report Size (1)
        add({0x95, static_cast<uint8_t>(count)});
        add({0x81, 0x02}); // Input (Data, Variable, Absolute)
        if (count % 8 != 0) {
            add({0x95, static_cast<uint8_t>(8 - count % 8)});
            add({0x81, 0x03}); // Input (Constant): padding to a whole byte
        }
    }
    if (axes == Axes::AfterButtons)
        add_axes();
    add({0xC0}); // End Collection
    return d;
}

std::string board_path(uint16_t vendor_id, uint16_t product_id, bool config_interface,
                       int instance) {
    char path[160];
    std::snprintf(path, sizeof path,
                  "\\\\?\\hid#vid_%04x&pid_%04x%s#7&2f0c3a1&%d&0000#"
                  "{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  vendor_id, product_id, config_interface ? "&mi_01" : "", instance);
    return path;
}

int add_board(const Board &board) {
    const std::string path =
        board.path.empty() ? board_path(board.vendor_id, board.product_id) : board.path;
    PanelinkSimInterface iface{};
    iface.vendor_id = board.vendor_id;
    iface.product_id = board.product_id;
    iface.version_number = board.version_number;
    iface.path = path.c_str();
    iface.manufacturer = board.manufacturer ? board.manufacturer->c_str() : nullptr;
    iface.product = board.product ? board.product->c_str() : nullptr;
    iface.serial_number = board.serial_number ? board.serial_number->c_str() : nullptr;
    if (!board.report_descriptor.empty()) {
        iface.report_descriptor = board.report_descriptor.data();
        iface.report_descriptor_length = board.report_descriptor.size();
    }
    return panelink_sim_add(&iface);
}

Board make_board(uint16_t product_id, std::string path, uint16_t vendor_id) {
    Board board;
    board.vendor_id = vendor_id;
    board.product_id = product_id;
    board.path = std::move(path);
    return board;
}

int add_board(uint16_t product_id, std::string path, uint16_t vendor_id) {
    return add_board(make_board(product_id, std::move(path), vendor_id));
}

std::string read_file(const std::string &name) {
    // Text mode: the log is a text file (CR LF line ends on Windows).
    std::ifstream file(name);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void remove_file(const std::string &name) {
    std::remove(name.c_str());
}

std::string error_line(uint32_t code) {
    return "Error ; " + std::to_string(static_cast<int>(code)) + " - " +
           platform::backend().error_text(code) + "\n";
}

uint32_t access_denied_code() {
    return platform::sim::error_code(platform::sim::Failure::AccessDenied);
}

uint32_t request_failed_code() {
    return platform::sim::error_code(platform::sim::Failure::RequestFailed);
}

uint32_t no_interface_set_code() {
    return platform::sim::error_code(platform::sim::Failure::NoInterfaceSet);
}

void SimBoardsTest::SetUp() {
    panelink_sim_enable(1);
    panelink_sim_reset();
    open_handles_at_start_ = open_device_count();
}

void SimBoardsTest::TearDown() {
    if (check_handles_closed) {
        EXPECT_EQ(open_device_count(), open_handles_at_start_) << "the test left handles open";
    }
    panelink_sim_reset();
}

} // namespace panelink::test
