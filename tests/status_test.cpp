// RetrieveStatus end to end: the queries a virtual board receives, its replies read back through
// ReadData, and every byte of the caller's StatusRecord afterwards.
#include <array>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "backends/platform.h"
#include "support/open_board.h"
#include "support/sim_boards.h"
#include "support/status_responder.h"

namespace {

using panelink::test::OpenBoard;
using panelink::test::report_with;
using panelink::test::StatusReplies;

constexpr uint8_t kSentinel = 0xEE;
constexpr size_t kRecordSize = 5496;

// Byte ranges of the record, by offset, as the caller sees them.
struct Range {
    size_t offset;
    size_t size;
};
constexpr Range kBaseFlags{0, 512}, kPairInputFlags{512, 360}, kPortPresent{872, 24},
    kPortFault{896, 24}, kPortType{920, 24}, kExtraFlagsA{968, 8}, kExtraFlagsB{980, 200},
    kType2{1180, 24}, kClearedA{1716, 200}, kType3{1916, 24}, kType1{1940, 1344},
    kClearedB{3284, 100}, kType4{3384, 240}, kType6{3624, 240}, kType5{3864, 1536},
    kType7{5400, 96};

// Type t's block and its flags per port, for t = 1 to 7.
constexpr Range kTypeBlocks[8] = {{}, kType1, kType2, kType3, kType4, kType5, kType6, kType7};
constexpr size_t kFlagsPerPort[8] = {0, 56, 1, 1, 10, 64, 10, 4};

// A status record image: the record itself, framed by guard bytes that must stay untouched.
struct Image {
    std::array<uint8_t, 16> before;
    StatusRecord record;
    std::array<uint8_t, 16> after;
};

class Expected {
  public:
    Expected() { bytes_.fill(kSentinel); }
    void fill(Range r, uint8_t value) { std::memset(bytes_.data() + r.offset, value, r.size); }
    void set(Range r, size_t index, uint8_t value) { bytes_[r.offset + index] = value; }
    void port(size_t p, uint8_t present, uint8_t fault, uint8_t type) {
        set(kPortPresent, p, present);
        set(kPortFault, p, fault);
        set(kPortType, p, type);
    }
    // A port as a port board reports it: also its flags in the type blocks (see type_blocks).
    void port(size_t p, uint8_t present, uint8_t fault, uint8_t type, uint8_t active_type) {
        port(p, present, fault, type);
        type_blocks(p, active_type);
    }
    // Port p's flags in every type block: ones in `active_type`'s block (0: none), else zeros.
    void type_blocks(size_t p, uint8_t active_type) {
        for (uint8_t t = 1; t <= 7; ++t) {
            const size_t n = kFlagsPerPort[t];
            std::memset(bytes_.data() + kTypeBlocks[t].offset + p * n, t == active_type ? 1 : 0, n);
        }
    }
    void initial_fill() {
        fill(kExtraFlagsA, 1);
        fill(kBaseFlags, 1);
        fill(kPortPresent, 1);
        fill(kPortFault, 1);
        fill(kPortType, 0);
        for (Range r : {kExtraFlagsB, kPairInputFlags, kType4, kType6, kType5, kType7})
            fill(r, 1);
    }
    // The record after the port board's queries, before what their replies set: the initial
    // fill with the two blocks the queries clear.
    static Expected after_port_queries() {
        Expected expected;
        expected.initial_fill();
        expected.fill(kClearedA, 0);
        expected.fill(kClearedB, 0);
        return expected;
    }
    const std::array<uint8_t, kRecordSize> &bytes() const { return bytes_; }

  private:
    std::array<uint8_t, kRecordSize> bytes_;
};

class StatusTest : public panelink::test::SimBoardsTest {
  protected:
    void TearDown() override {
        board.reset();
        SimBoardsTest::TearDown();
    }

    OpenBoard &open(uint16_t product_id, int16_t port_count = 0, bool config = false) {
        board.emplace(product_id, config);
        board->record().PortCount = port_count;
        install_status_responder(board->id(), replies);
        return *board;
    }

    // Runs RetrieveStatus on a record filled with the sentinel and framed by guards.
    const StatusRecord &retrieve() {
        std::memset(&image, kSentinel, sizeof image);
        EXPECT_EQ(RetrieveStatus(&board->record(), &image.record), 1);
        EXPECT_EQ(image.before, filled_guard());
        EXPECT_EQ(image.after, filled_guard());
        return image.record;
    }

    static std::array<uint8_t, 16> filled_guard() {
        std::array<uint8_t, 16> guard;
        guard.fill(kSentinel);
        return guard;
    }

    void expect_record(const Expected &expected) {
        const auto *actual = reinterpret_cast<const uint8_t *>(&image.record);
        size_t mismatches = 0;
        for (size_t i = 0; i < kRecordSize && mismatches < 10; ++i) {
            if (actual[i] != expected.bytes()[i]) {
                ADD_FAILURE() << "byte " << i << " is " << int(actual[i]) << ", expected "
                              << int(expected.bytes()[i]);
                ++mismatches;
            }
        }
    }

    // RetrieveStatus on a board that is asked nothing: the record gets the initial fill only.
    void expect_initial_fill_only() {
        retrieve();
        Expected expected;
        expected.initial_fill();
        expect_record(expected);
        EXPECT_TRUE(board->pop_all_output().empty());
    }

    std::optional<OpenBoard> board;
    StatusReplies replies;
    Image image;
};

TEST_F(StatusTest, OtherProductsGetTheInitialFillOnly) {
    open(0x1500, 24);
    expect_initial_fill_only();
}

TEST_F(StatusTest, PortBoardWithoutPortsExchangesNothing) {
    open(0x0800, 0);
    expect_initial_fill_only();
}

TEST_F(StatusTest, PortBoardQueriesEachPairOfPorts) {
    open(0x0800, 3);               // an odd count still queries the whole second pair
    replies.port_status[0] = 0x05; // present, type 1
    replies.port_status[1] = 0x0D; // present, type 3
    replies.port_status[2] = 0x0F; // present, faulty, type 3
    replies.port_status[3] = 0x1D; // present, type 7
    replies.port_status[4] = 0x11; // beyond PortCount: never asked for
    for (size_t j = 0; j < 30; ++j) {
        replies.pair_inputs[0][j] = static_cast<uint8_t>(j % 3 == 0 ? 0xFF : 0xFE);
        replies.pair_inputs[1][j] = static_cast<uint8_t>(j % 2 == 0 ? 0x01 : 0x80);
    }
    retrieve();

    Expected expected = Expected::after_port_queries();
    expected.port(0, 1, 0, 1, 1);
    expected.port(1, 1, 0, 3, 3);
    expected.port(2, 1, 1, 3, 0);
    expected.port(3, 1, 0, 7, 7);
    for (size_t j = 0; j < 30; ++j) {
        expected.set(kPairInputFlags, j, j % 3 == 0 ? 1 : 0);
        expected.set(kPairInputFlags, 30 + j, j % 2 == 0 ? 1 : 0);
    }
    expect_record(expected);

    // Port status then pair inputs, for pair 0 and pair 1; bytes 9 on are zero.
    const auto requests = board->pop_all_output();
    ASSERT_EQ(requests.size(), 4u);
    for (uint8_t pair = 0; pair < 2; ++pair) {
        EXPECT_EQ(requests[2 * pair],
                  report_with({{2, 0x06}, {3, 0x04}, {4, 0x1C}, {6, 0x25}, {7, pair}, {8, 0x04}}));
        EXPECT_EQ(requests[2 * pair + 1],
                  report_with({{2, 0x0A}, {3, 0x1E}, {4, 0x1C}, {6, 0x27}, {7, pair}, {8, 0x1E}}));
    }
}

// Every module type on a full board, with the status bits that must be ignored or must
// disqualify a port.
TEST_F(StatusTest, ModuleTypesSwitchTheirBlocks) {
    open(0x0800, 24);
    struct Port {
        uint8_t status, present, fault, type, active_type;
    };
    const Port ports[24] = {
        {0x05, 1, 0, 1, 1}, {0x09, 1, 0, 2, 2},  {0x0D, 1, 0, 3, 3}, {0x11, 1, 0, 4, 4},
        {0x15, 1, 0, 5, 5}, {0x19, 1, 0, 6, 6},  {0x1D, 1, 0, 7, 7}, {0x01, 1, 0, 0, 0},
        {0x21, 1, 0, 8, 0}, {0x3D, 1, 0, 15, 0}, {0x0F, 1, 1, 3, 0}, {0x0C, 0, 0, 3, 0},
        {0xC5, 1, 0, 1, 1}, {0x00, 0, 0, 0, 0},  {0x13, 1, 1, 4, 0}, {0x59, 1, 0, 6, 6},
        {0x15, 1, 0, 5, 5}, {0x15, 1, 0, 5, 5},  {0x02, 0, 1, 0, 0}, {0x1D, 1, 0, 7, 7},
        {0x05, 1, 0, 1, 1}, {0x09, 1, 0, 2, 2},  {0x0D, 1, 0, 3, 3}, {0x11, 1, 0, 4, 4},
    };
    for (size_t p = 0; p < 24; ++p)
        replies.port_status[p] = ports[p].status;
    for (size_t k = 0; k < 12; ++k)
        replies.pair_inputs[k][k] = 0x01;
    retrieve();

    Expected expected = Expected::after_port_queries();
    for (size_t p = 0; p < 24; ++p)
        expected.port(p, ports[p].present, ports[p].fault, ports[p].type, ports[p].active_type);
    expected.fill(kPairInputFlags, 0);
    for (size_t k = 0; k < 12; ++k)
        expected.set(kPairInputFlags, 30 * k + k, 1);
    expect_record(expected);
    EXPECT_EQ(board->pop_all_output().size(), 24u);
}

TEST_F(StatusTest, UnansweredQueriesClearWhatTheyCover) {
    open(0x0800, 6);
    replies.port_status[0] = replies.port_status[1] = 0x05; // type 1
    replies.port_status[2] = replies.port_status[3] = 0x11; // type 4
    replies.port_status[4] = replies.port_status[5] = 0x15; // type 5
    for (auto &pair : replies.pair_inputs)
        pair[0] = 1;
    replies.silent_port_pairs = 1u << 0;  // pair 0: no port status, inputs answered
    replies.silent_input_pairs = 1u << 1; // pair 1: port status answered, no inputs
    retrieve();

    Expected expected = Expected::after_port_queries();
    expected.port(0, 0, 1, 0, 0);
    expected.port(1, 0, 1, 0, 0);
    expected.port(2, 1, 0, 4, 0); // the pair's inputs went unanswered
    expected.port(3, 1, 0, 4, 0);
    expected.port(4, 1, 0, 5, 5);
    expected.port(5, 1, 0, 5, 5);
    expected.fill(Range{kPairInputFlags.offset, 90}, 0);
    expected.set(kPairInputFlags, 0, 1);
    expected.set(kPairInputFlags, 60, 1);
    expect_record(expected);
    EXPECT_EQ(board->pop_all_output().size(), 6u);
}

TEST_F(StatusTest, RepliesWithAnotherCodeDoNotCount) {
    open(0x0800, 2);
    replies.port_status[0] = 0x05;
    replies.pair_inputs[0][0] = 1;
    replies.reply_code = 0x26;
    retrieve();

    Expected expected = Expected::after_port_queries();
    expected.port(0, 0, 1, 0, 0);
    expected.port(1, 0, 1, 0, 0);
    expected.fill(Range{kPairInputFlags.offset, 30}, 0);
    expect_record(expected);
    board->pop_all_output();
}

// A silent board costs each query its full 1000 ms read time-out, on the manual clock only.
TEST_F(StatusTest, SilentBoardTimesOutOnEveryQueryWithoutRealWaiting) {
    open(0x0800, 200); // more ports than the record has room for: 24 are queried
    panelink_sim_set_responder(board->id(), nullptr, nullptr);
    auto &backend = panelink::platform::backend();
    const uint64_t clock_before = backend.now_ms();
    const auto real_before = std::chrono::steady_clock::now();
    retrieve();
    EXPECT_LT(std::chrono::steady_clock::now() - real_before, std::chrono::seconds(5));
    EXPECT_EQ(backend.now_ms() - clock_before, 24u * 1000u);

    Expected expected = Expected::after_port_queries();
    for (size_t p = 0; p < 24; ++p)
        expected.port(p, 0, 1, 0, 0);
    expected.fill(kPairInputFlags, 0);
    expect_record(expected);

    const auto requests = board->pop_all_output();
    ASSERT_EQ(requests.size(), 24u);
    EXPECT_EQ(requests[22][7], 11); // the last pair asked for is 11
}

TEST_F(StatusTest, NegativePortCountIsLimitedToTwentyFourPorts) {
    open(0x0800, -1); // 65535 as an unsigned count
    retrieve();
    EXPECT_EQ(board->pop_all_output().size(), 24u);
}

TEST_F(StatusTest, FailedReadsCountAsUnanswered) {
    open(0x0800, 2);
    replies.port_status[0] = replies.port_status[1] = 0x05;
    panelink_sim_set_fault(board->id(), PANELINK_SIM_FAULT_READ_WAIT, 1); // the port status read
    const StatusRecord &status = retrieve();
    EXPECT_EQ(status.PortPresent[0], 0);
    EXPECT_EQ(status.PortFault[1], 1);
    EXPECT_EQ(status.Type1Flags[0], 0);
    board->pop_all_output();
}

TEST_F(StatusTest, OversizedOutputReportIsNeverSent) {
    open(0x0800, 2);
    replies.port_status[0] = 0x05;
    board->record().OutputReportByteLength = 69;
    const StatusRecord &status = retrieve();
    EXPECT_TRUE(board->pop_all_output().empty());
    EXPECT_EQ(status.PortPresent[0], 0);
    EXPECT_EQ(status.PortFault[0], 1);
}

TEST_F(StatusTest, ConfigBoardSetsItsTwoPorts) {
    struct Case {
        uint8_t b2, b4;
        uint8_t present, fault0, type0, fault1, type1;
    };
    const Case cases[] = {
        {0x09, 0x00, 1, 0, 0, 1, 15}, {0x0B, 0x00, 1, 1, 15, 0, 4}, {0x00, 0x08, 0, 1, 15, 0, 4},
        {0xF9, 0xF9, 1, 0, 0, 0, 4},  {0x08, 0x0A, 0, 0, 0, 1, 15},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("b2 " + std::to_string(c.b2) + " b4 " + std::to_string(c.b4));
        open(0x0910, 0, true);
        replies.config_b2 = c.b2;
        replies.config_b4 = c.b4;
        retrieve();
        Expected expected;
        expected.initial_fill();
        expected.port(0, c.present, c.fault0, c.type0);
        expected.port(1, c.present, c.fault1, c.type1);
        expect_record(expected);

        const auto requests = board->pop_all_output();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0], report_with({{4, 0x13}}));
        board.reset();
    }
}

TEST_F(StatusTest, ConfigBoardWithoutAnswerHasNoUsablePort) {
    open(0x0910, 0, true);
    replies.config_silent = true;
    retrieve();
    Expected expected;
    expected.initial_fill();
    for (size_t p = 0; p < 24; ++p)
        expected.port(p, 0, 1, 0);
    expect_record(expected);
    board->pop_all_output();
}

TEST_F(StatusTest, ConfigBoardReplyWithAnotherCodeDoesNotCount) {
    open(0x0910, 0, true);
    replies.config_b2 = 0x09;
    replies.config_b4 = 0x08;
    replies.reply_code = 0x25;
    retrieve();
    Expected expected;
    expected.initial_fill();
    for (size_t p = 0; p < 24; ++p)
        expected.port(p, 0, 1, 0);
    expect_record(expected);
    EXPECT_EQ(board->pop_all_output().size(), 1u);
}

TEST_F(StatusTest, ConfigBoardIsOnlyAskedOnItsConfigurationInterface) {
    open(0x0910, 0, false);
    expect_initial_fill_only();
}

} // namespace
