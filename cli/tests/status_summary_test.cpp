// RetrieveStatus's flags in words: which ports are shown for which board, and each port's state.
#include <gtest/gtest.h>

#include "status_summary.h"

namespace {

DeviceRecord board(uint16_t product, int16_t ports, uint8_t config_interface) {
    DeviceRecord record{};
    record.ProductID = product;
    record.PortCount = ports;
    record.IsConfigInterface = config_interface;
    return record;
}

TEST(StatusSummary, PortsShownPerBoard) {
    StatusRecord status{};
    const struct {
        DeviceRecord record;
        size_t ports, pairs;
        bool queried;
    } cases[] = {{board(0x0800, 3, 0), 4, 2, true},  {board(0x0800, 30, 0), 24, 12, true},
                 {board(0x0800, 0, 0), 0, 0, false}, {board(0x0910, 2, 1), 2, 0, true},
                 {board(0x0910, 2, 0), 0, 0, false}, {board(0x0500, 8, 0), 0, 0, false}};
    for (const auto &c : cases) {
        const auto summary = panelink::cli::summarize_status(c.record, status);
        EXPECT_EQ(summary.ports.size(), c.ports) << c.record.ProductID;
        EXPECT_EQ(summary.pairs.size(), c.pairs) << c.record.ProductID;
        EXPECT_EQ(summary.queried, c.queried) << c.record.ProductID;
        // Only 0x0910's configuration answer is known to be missing: port 1 left without a type.
        EXPECT_EQ(summary.answered.has_value(), c.record.IsConfigInterface == 1);
    }
}

TEST(StatusSummary, PortWordsAndPairFlags) {
    StatusRecord status{};
    const uint8_t ports[][3] = {{1, 0, 3}, {1, 1, 5}, {0, 1, 0}, {1, 0, 0}}; // present, fault, type
    for (int port = 0; port < 4; ++port) {
        status.PortPresent[port] = ports[port][0];
        status.PortFault[port] = ports[port][1];
        status.PortType[port] = ports[port][2];
    }
    status.PairInputFlags[30 + 29] = 1; // pair 1, flag 29
    const auto summary = panelink::cli::summarize_status(board(0x0800, 4, 0), status);
    ASSERT_EQ(summary.ports.size(), 4u);
    EXPECT_EQ(summary.ports[0].words, "module type 3, working");
    EXPECT_EQ(summary.ports[1].words, "module present, faulty (type 5)");
    EXPECT_EQ(summary.ports[2].words, "no module (absent, or the board did not answer)");
    EXPECT_TRUE(summary.ports[0].active);
    EXPECT_FALSE(summary.ports[3].active);
    ASSERT_EQ(summary.pairs.size(), 2u);
    EXPECT_EQ(summary.pairs[1].flags[29], 1);
    EXPECT_EQ(summary.pairs[0].flags[29], 0);
}

} // namespace
