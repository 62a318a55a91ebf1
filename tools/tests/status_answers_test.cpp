#include <cstring>

#include <gtest/gtest.h>

#include "status.h"
#include "status_answers.h"

namespace panelink::board_models {
namespace {

constexpr size_t kReply = 65;

// The queries as the library sends them, report ID byte first.
std::vector<uint8_t> port_status_query(uint8_t pair) {
    std::vector<uint8_t> q(kReply, 0);
    q[2] = 0x06, q[3] = 0x04, q[4] = 0x1C, q[6] = 0x25, q[7] = pair, q[8] = 0x04;
    return q;
}
std::vector<uint8_t> pair_input_query(uint8_t pair) {
    std::vector<uint8_t> q(kReply, 0);
    q[2] = 0x0A, q[3] = 0x1E, q[4] = 0x1C, q[6] = 0x27, q[7] = pair, q[8] = 0x1E;
    return q;
}
std::vector<uint8_t> config_status_query() {
    std::vector<uint8_t> q(kReply, 0);
    q[4] = 0x13;
    return q;
}

std::optional<std::vector<uint8_t>> reply(uint16_t product, const std::vector<uint8_t> &query,
                                          const StatusSettings &settings = {}) {
    return status_reply(product, query.data(), query.size(), settings, kReply);
}

TEST(StatusAnswers, DefaultPortsHoldWorkingModulesOfEveryType) {
    const auto ports = StatusSettings::default_port_status();
    for (size_t port = 0; port < ports.size(); ++port) {
        EXPECT_EQ(ports[port] & 0x03, 0x01) << port; // present, no fault
        EXPECT_EQ(ports[port] >> 2, 1 + port % 7) << port;
    }
}

TEST(StatusAnswers, ThePortBoardAnswersItsTwoQueriesPerPair) {
    StatusSettings settings;
    settings.port_status[6] = 0x0D;
    settings.port_status[7] = 0x0F;
    settings.pair_inputs = 0x20000005; // flags 0, 2 and 29
    const auto port_reply = reply(0x0800, port_status_query(3), settings);
    ASSERT_TRUE(port_reply);
    ASSERT_EQ(port_reply->size(), kReply);
    EXPECT_EQ((*port_reply)[0], 0x00);
    EXPECT_EQ((*port_reply)[1], 0x25);
    EXPECT_EQ((*port_reply)[2], 0x0D);
    EXPECT_EQ((*port_reply)[4], 0x0F);

    const auto input_reply = reply(0x0800, pair_input_query(11), settings);
    ASSERT_TRUE(input_reply);
    EXPECT_EQ((*input_reply)[1], 0x27);
    for (size_t flag = 0; flag < 30; ++flag) {
        const bool set = flag == 0 || flag == 2 || flag == 29;
        EXPECT_EQ((*input_reply)[2 + flag], set ? 1 : 0) << flag;
    }
    EXPECT_EQ((*input_reply)[32], 0x00);
}

// The library's own reading of the replies gives back the settings.
TEST(StatusAnswers, TheLibraryReadsTheRepliesAsSet) {
    StatusSettings settings;
    settings.port_status[4] = 0x0D; // present, working, type 3
    settings.port_status[5] = 0x07; // present, faulty, type 1
    settings.pair_inputs = 0x2;
    StatusRecord status;
    std::memset(&status, 0xEE, sizeof status);
    status::initial_fill(status);
    const auto port_reply = reply(0x0800, port_status_query(2), settings);
    const auto input_reply = reply(0x0800, pair_input_query(2), settings);
    ASSERT_TRUE(port_reply && input_reply);
    status::apply_port_status(status, 4, port_reply->data() + 1);
    status::apply_pair_inputs(status, 4, input_reply->data() + 1);
    EXPECT_EQ(status.PortPresent[4], 1);
    EXPECT_EQ(status.PortFault[4], 0);
    EXPECT_EQ(status.PortType[4], 3);
    EXPECT_EQ(status.Type3Flags[4], 1);
    EXPECT_EQ(status.PortFault[5], 1);
    EXPECT_EQ(status.PortType[5], 1);
    EXPECT_EQ(status.PairInputFlags[60], 0);
    EXPECT_EQ(status.PairInputFlags[61], 1);

    StatusSettings config;
    config.config_b2 = 0x0B;
    const auto config_reply = reply(0x0910, config_status_query(), config);
    ASSERT_TRUE(config_reply);
    status::apply_config_status(status, config_reply->data() + 1);
    EXPECT_EQ(status.PortType[0], 15);
    EXPECT_EQ(status.PortFault[0], 1);
    EXPECT_EQ(status.PortType[1], 4);
    EXPECT_EQ(status.PortFault[1], 0);
}

TEST(StatusAnswers, OtherReportsAndOtherBoardsGetNoReply) {
    std::vector<uint8_t> direct_output = port_status_query(0);
    direct_output[5] = 0x02;
    direct_output[6] = 0x29;
    std::vector<uint8_t> cut = port_status_query(0);
    cut.resize(7);
    const struct {
        const char *what;
        uint16_t product;
        std::vector<uint8_t> query;
    } cases[] = {
        {"a digital output command", 0x0800, direct_output},
        {"the configuration query on the port board", 0x0800, config_status_query()},
        {"a port query on the configuration board", 0x0910, port_status_query(0)},
        {"a port query on another board", 0x0500, port_status_query(0)},
        {"a pair beyond the 12 of the board", 0x0800, port_status_query(12)},
        {"a query cut before its pair number", 0x0800, cut},
    };
    for (const auto &c : cases) {
        EXPECT_FALSE(reply(c.product, c.query)) << c.what;
    }
    const auto query = port_status_query(0);
    EXPECT_FALSE(status_reply(0x0800, query.data(), query.size(), {}, 31)); // no room
}

} // namespace
} // namespace panelink::board_models
