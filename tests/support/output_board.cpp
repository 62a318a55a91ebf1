#include "support/output_board.h"

#include <gtest/gtest.h>
#include <panelink/simulation.h>

#include "handle_table.h"
#include "platform/platform.h"
#include "support/sim_boards.h"

namespace panelink::test {

OutputBoard::OutputBoard(uint16_t product_id, bool config_interface) {
    Board board;
    board.product_id = product_id;
    board.path = board_path(PANELINK_VENDOR_ID_A, product_id, config_interface);
    id_ = add_board(board);
    EXPECT_GT(id_, 0);
    record_.Handle = register_device(platform::backend().open(board.path.c_str()));
    EXPECT_NE(record_.Handle, 0u);
    record_.VendorID = PANELINK_VENDOR_ID_A;
    record_.ProductID = product_id;
    record_.IsConfigInterface = config_interface ? 1 : 0;
    record_.InputReportByteLength = 65;
    record_.OutputReportByteLength = 65;
    record_.Usage = 1;
    record_.UsagePage = 0xFF00;
}

OutputBoard::~OutputBoard() {
    close_device(record_.Handle);
    panelink_sim_remove(id_);
}

std::vector<uint8_t> OutputBoard::pop_output() {
    std::vector<uint8_t> report(256);
    const size_t length = panelink_sim_pop_output(id_, report.data(), report.size());
    report.resize(length);
    return report;
}

std::vector<std::vector<uint8_t>> OutputBoard::pop_all_output() {
    std::vector<std::vector<uint8_t>> reports;
    for (std::vector<uint8_t> report = pop_output(); !report.empty(); report = pop_output())
        reports.push_back(std::move(report));
    return reports;
}

} // namespace panelink::test
