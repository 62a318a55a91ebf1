#include "support/open_board.h"

#include <algorithm>

#include <gtest/gtest.h>
#include <panelink/simulation.h>

#include "backends/platform.h"
#include "handle_table.h"

namespace panelink::test {
namespace {

Board vendor_board(uint16_t product_id, bool config_interface) {
    return make_board(product_id, board_path(PANELINK_VENDOR_ID_A, product_id, config_interface));
}

} // namespace

OpenBoard::OpenBoard(uint16_t product_id, bool config_interface)
    : OpenBoard(vendor_board(product_id, config_interface)) {
    record_.IsConfigInterface = config_interface ? 1 : 0;
}

OpenBoard::OpenBoard(const Board &board)
    : path_(board.path.empty() ? board_path(board.vendor_id, board.product_id) : board.path) {
    id_ = add_board(board);
    EXPECT_GT(id_, 0);
    record_.VendorID = board.vendor_id;
    record_.ProductID = board.product_id;
    reopen();
    const std::shared_ptr<platform::Device> device = acquire_device(record_.Handle);
    if (const hid::Collection *collection = device ? device->collection() : nullptr) {
        record_.InputReportByteLength = collection->input_report_byte_length;
        record_.OutputReportByteLength = collection->output_report_byte_length;
        record_.Usage = collection->usage;
        record_.UsagePage = collection->usage_page;
    }
}

OpenBoard::~OpenBoard() {
    for (uint32_t handle : handles_)
        close_device(handle);
    panelink_sim_remove(id_);
}

void OpenBoard::reopen() {
    record_.Handle = register_device(platform::backend().open(path_.c_str()));
    EXPECT_NE(record_.Handle, 0u);
    handles_.push_back(record_.Handle);
}

void OpenBoard::push_input(const std::vector<uint8_t> &report) {
    EXPECT_EQ(panelink_sim_push_input(id_, report.data(), report.size()), 1)
        << "the board took no input report";
}

std::vector<uint8_t> OpenBoard::pop_output() {
    std::vector<uint8_t> report(256);
    const size_t length = panelink_sim_pop_output(id_, report.data(), report.size());
    report.resize(length);
    return report;
}

std::vector<std::vector<uint8_t>> OpenBoard::pop_all_output() {
    std::vector<std::vector<uint8_t>> reports;
    for (std::vector<uint8_t> report = pop_output(); !report.empty(); report = pop_output())
        reports.push_back(std::move(report));
    return reports;
}

void OneBoardTest::SetUp() {
    SimBoardsTest::SetUp();
    board.emplace(0x0500);
}

void OneBoardTest::TearDown() {
    board.reset();
    SimBoardsTest::TearDown();
}

std::vector<uint8_t> input_report(std::initializer_list<uint8_t> data, size_t length) {
    std::vector<uint8_t> report(std::max(length, data.size() + 1), 0);
    std::copy(data.begin(), data.end(), report.begin() + 1);
    report.resize(length);
    return report;
}

std::vector<uint8_t> report_with(std::initializer_list<std::pair<size_t, uint8_t>> set) {
    std::vector<uint8_t> report(65, 0);
    for (auto [offset, value] : set)
        report.at(offset) = value;
    return report;
}

} // namespace panelink::test
