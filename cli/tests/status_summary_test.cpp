// RetrieveStatus's flags in words: which ports are shown for which board, and each port's state.
#include <gtest/gtest.h>

#include "status_summary.h"

namespace {

using panelink::cli::summarize_status;

DeviceRecord board(uint16_t product, int16_t ports, uint8_t config_interface) {
    DeviceRecord record{};
    record.ProductID = product;
    record.PortCount = ports;
    record.IsConfigInterface = config_interface;
    return record;
}

void set_port(StatusRecord &s, int port, uint8_t present, uint8_t fault, uint8_t type) {
    s.PortPresent[port] = present;
    s.PortFault[port] = fault;
    s.PortType[port] = type;
}

TEST(StatusSummary, PortsShownPerBoard) {
    const StatusRecord status{};
    struct Case {
        DeviceRecord record;
        size_t ports, pairs;
        bool queried;
    } cases[] = {{board(0x0800, 3, 0), 4, 2, true},  {board(0x0800, 30, 0), 24, 12, true},
                 {board(0x0800, 0, 0), 0, 0, false}, {board(0x0910, 2, 1), 2, 0, true},
                 {board(0x0910, 2, 0), 0, 0, false}, {board(0x0500, 8, 0), 0, 0, false}};
    for (const Case &c : cases) {
        const auto summary = summarize_status(c.record, status);
        EXPECT_EQ(summary.ports.size(), c.ports) << c.record.ProductID;
        EXPECT_EQ(summary.pairs.size(), c.pairs) << c.record.ProductID;
        EXPECT_EQ(summary.queried, c.queried) << c.record.ProductID;
        EXPECT_FALSE(summary.note.empty());
    }
}

TEST(StatusSummary, PortWordsAndPairFlags) {
    StatusRecord status{};
    set_port(status, 0, 1, 0, 3);
    set_port(status, 1, 1, 1, 5);
    set_port(status, 2, 0, 1, 0);
    set_port(status, 3, 1, 0, 0);
    status.PairInputFlags[30 + 29] = 1; // pair 1, flag 29
    const auto summary = summarize_status(board(0x0800, 4, 0), status);
    ASSERT_EQ(summary.ports.size(), 4u);
    EXPECT_TRUE(summary.ports[0].active);
    EXPECT_EQ(summary.ports[0].words, "module type 3, working");
    EXPECT_EQ(summary.ports[1].words, "module present, faulty (type 5)");
    EXPECT_EQ(summary.ports[2].words, "no module (absent, or the board did not answer)");
    EXPECT_FALSE(summary.ports[3].active);
    ASSERT_EQ(summary.pairs.size(), 2u);
    EXPECT_EQ(summary.pairs[1].flags[29], 1);
    EXPECT_EQ(summary.pairs[0].flags[29], 0);
}

// The configuration query of 0x0910: an answer always gives port 1 a type.
TEST(StatusSummary, ConfigurationAnswer) {
    StatusRecord status{};
    EXPECT_EQ(summarize_status(board(0x0910, 2, 1), status).answered, false);
    set_port(status, 1, 1, 0, 4);
    EXPECT_EQ(summarize_status(board(0x0910, 2, 1), status).answered, true);
    EXPECT_FALSE(summarize_status(board(0x0500, 0, 0), status).answered.has_value());
}

} // namespace
