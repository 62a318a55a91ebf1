// The virtual board's model without a window and without the kernel: the input reports its
// controls make, the pulses of its encoders, what output reports draw, its status answers and
// its saved set-ups.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board_model.h"
#include "output_commands.h"
#include "setup_file.h"
#include "seven_segment.h"
#include "status.h"

namespace panelink::virtualboard {
namespace {

BoardModel board_of(uint16_t product, BoardSetup setup = {}) {
    if (setup.product == 0) {
        setup = BoardSetup::defaults(*board_models::find_board_kind(product));
    }
    std::string error;
    std::optional<BoardModel> model = BoardModel::create(setup, error);
    EXPECT_TRUE(model) << error;
    return std::move(*model);
}

// --- Clicks: the input report that reaches the kernel. ---

struct ClickCase {
    const char *what;
    uint16_t product;
    std::vector<std::pair<unsigned, bool>> clicks;
    size_t wire_length;                                // bytes the kernel gets
    std::vector<std::pair<size_t, uint8_t>> set_bytes; // every other byte is 0
};

TEST(BoardModelInputs, AClickGivesTheExpectedInputReport) {
    const ClickCase cases[] = {
        {"first switch of the 256-input board", 0x0500, {{2, true}}, 64, {{0, 0x04}}},
        {"switches in several bytes",
         0x0500,
         {{9, true}, {255, true}},
         64,
         {{1, 0x02}, {31, 0x80}}},
        {"a switch on and off again", 0x0700, {{63, true}, {63, false}}, 64, {}},
        {"input beyond the board is refused", 0x0700, {{64, true}, {3, true}}, 64, {{0, 0x08}}},
        {"adapter's last button", 0x0600, {{31, true}}, 6, {{3, 0x80}}},
        {"adapter has no 33rd button", 0x0600, {{32, true}}, 6, {}},
        {"dual board's first interface", 0x0910, {{39, true}}, 64, {{4, 0x80}}},
        {"the port board has no inputs", 0x0800, {{0, true}}, 64, {}},
    };
    for (const ClickCase &c : cases) {
        BoardModel model = board_of(c.product);
        for (const auto &[input, on] : c.clicks) {
            model.inputs().set(input, on);
        }
        std::vector<uint8_t> expected(c.wire_length, 0);
        for (const auto &[at, value] : c.set_bytes) {
            expected[at] = value;
        }
        EXPECT_EQ(model.input_wire_report(), expected) << c.what;
    }
}

// --- Encoders: one detent is one report with the input on and one with it off. ---

struct TurnCase {
    const char *what;
    std::vector<int> turns;
    std::vector<uint8_t> first_data_bytes; // byte 1 of each report sent, in order
};

TEST(BoardModelInputs, AnEncoderTurnGivesThePulsesOfARealEncoder) {
    BoardSetup setup;
    setup.product = 0x0500;
    setup.encoders = {{0, 1}, {4, 6}};
    const TurnCase cases[] = {
        {"one detent clockwise", {1}, {0x01, 0x00}},
        {"two detents counter-clockwise", {-2}, {0x02, 0x00, 0x02, 0x00}},
        {"there and back", {1, -1}, {0x01, 0x00, 0x02, 0x00}},
        {"no detent, no report", {0}, {}},
    };
    for (const TurnCase &c : cases) {
        BoardModel model = board_of(0x0500, setup);
        for (int detents : c.turns) {
            EXPECT_TRUE(model.inputs().turn(setup.encoders[0], detents));
        }
        std::vector<uint8_t> sent;
        while (model.inputs().next_pulse_edge()) {
            sent.push_back(model.inputs().report()[1]);
        }
        EXPECT_EQ(sent, c.first_data_bytes) << c.what;
    }
}

TEST(BoardModelInputs, PulsesKeepTheSwitchesAndEndReleased) {
    BoardSetup setup;
    setup.product = 0x0500;
    setup.encoders = {{4, 6}};
    BoardModel model = board_of(0x0500, setup);
    model.inputs().set(0, true);
    model.inputs().turn(setup.encoders[0], 2);
    model.inputs().set(1, true); // a switch flipped while the pulses go out
    std::vector<uint8_t> sent;
    while (model.inputs().next_pulse_edge()) {
        sent.push_back(model.inputs().report()[1]);
    }
    EXPECT_EQ(sent, (std::vector<uint8_t>{0x13, 0x03, 0x13, 0x03}));
    // An unplugged board drops its queue and releases the pulsed input.
    model.inputs().turn(setup.encoders[0], -3);
    ASSERT_TRUE(model.inputs().next_pulse_edge());
    EXPECT_EQ(model.inputs().report()[1], 0x43);
    model.inputs().drop_pulses();
    EXPECT_FALSE(model.inputs().pulses_pending());
    EXPECT_EQ(model.inputs().report()[1], 0x03);
    // A pair beyond the board's inputs queues nothing.
    EXPECT_FALSE(model.inputs().turn({255, 256}, 1));
    EXPECT_FALSE(model.inputs().pulses_pending());
}

// --- Outputs: the reports the library builds, and what the board then shows. ---

using output::ReportBuffer;

std::vector<uint8_t> bytes(const ReportBuffer &report, size_t length = 65) {
    return {report.begin(), report.begin() + static_cast<std::ptrdiff_t>(length)};
}

TEST(BoardModelOutputs, AnOutputReportGivesTheExpectedDrawnState) {
    BoardModel model = board_of(0x0800);
    ReportBuffer r{};

    uint8_t direct[PANELINK_DIRECT_OUTPUT_BYTES] = {0x81};
    direct[14] = 0x40;
    output::build_direct_output(r, 5, direct);
    ASSERT_TRUE(model.receive(0, r.data(), 65).drawn);
    const PortOutputs &port5 = model.outputs().ports().at(5);
    ASSERT_TRUE(port5.direct);
    EXPECT_EQ(port5.direct->count(), 3u);
    EXPECT_TRUE((*port5.direct)[0] && (*port5.direct)[7] && (*port5.direct)[118]);

    uint8_t mux[PANELINK_MUX_OUTPUT_BYTES] = {};
    mux[55] = 0x80;
    output::build_mux_output(r, 5, mux);
    model.receive(0, r.data(), 65);
    ASSERT_TRUE(model.outputs().ports().at(5).mux);
    EXPECT_TRUE((*model.outputs().ports().at(5).mux)[447]);
    EXPECT_TRUE(model.outputs().ports().at(5).direct) << "a mux report leaves the direct lamps";

    uint8_t states[PANELINK_LATCHED_OUTPUT_STATES] = {};
    states[0] = states[63] = 1;
    output::build_latched_output(r, 0, states, 0);
    model.receive(0, r.data(), 65);
    EXPECT_EQ(model.outputs().ports().at(0).latched->count(), 2u);

    seven_segment::build_display_output(r, 3, "12.34", 0);
    model.receive(0, r.data(), 65);
    EXPECT_EQ(model.outputs().digits_text(3), "   12.34");

    uint8_t columns[PANELINK_DOT_MATRIX_BYTES] = {0xFF, 0x01};
    output::build_dot_matrix(r, 2, columns, 0);
    model.receive(0, r.data(), 65);
    EXPECT_EQ((*model.outputs().ports().at(2).dot_matrix)[1], 0x01);

    uint8_t dac[PANELINK_SPI_DAC_BYTES] = {};
    dac[39] = 200;
    output::build_spi_dac(r, 7, dac, 0);
    model.receive(0, r.data(), 65);
    EXPECT_EQ((*model.outputs().ports().at(7).dac)[39], 200);

    output::build_lcd_text(r, 2, "HDG 270  ALT 35000  ", 0);
    model.receive(0, r.data(), 65);
    EXPECT_EQ(model.outputs().lcd_lines().at(2), "HDG 270  ALT 35000  ");
    output::build_clear_lcd(r);
    model.receive(0, r.data(), 65);
    EXPECT_TRUE(model.outputs().lcd_lines().empty());

    const uint8_t two[2] = {0x06, 0x5B};
    output::build_seven_segment(r, two);
    model.receive(0, r.data(), 65);
    EXPECT_EQ(*model.outputs().board_digits(), (std::array<uint8_t, 2>{0x06, 0x5B}));
}

TEST(BoardModelOutputs, ReportsItCannotDrawChangeNothing) {
    BoardModel model = board_of(0x0500);
    ReportBuffer r{};
    uint8_t direct[PANELINK_DIRECT_OUTPUT_BYTES] = {0xFF};
    output::build_direct_output(r, 1, direct);
    const std::vector<uint8_t> whole = bytes(r);
    struct Case {
        const char *what;
        std::vector<uint8_t> report;
    };
    std::vector<uint8_t> odd_length = whole;
    odd_length[1] = 3; // a digital output of neither length
    const Case cases[] = {
        {"empty", {}},
        {"ends inside the header", {whole.begin(), whole.begin() + 6}},
        {"ends inside the payload", {whole.begin(), whole.begin() + 20}},
        {"unknown digital output length", odd_length},
        {"unknown board command", {0, 0, 0, 0, 0x55, 1, 1, 1, 1, 1}},
    };
    for (const Case &c : cases) {
        EXPECT_FALSE(model.receive(0, c.report.data(), c.report.size()).drawn) << c.what;
        EXPECT_TRUE(model.outputs().ports().empty()) << c.what;
    }
    EXPECT_FALSE(model.receive(9, whole.data(), whole.size()).drawn) << "no such interface";
    EXPECT_TRUE(model.receive(0, whole.data(), whole.size()).drawn);
}

// --- Status: the configured modules, as the library reads the answers. ---

std::vector<uint8_t> port_status_query(uint8_t pair) {
    std::vector<uint8_t> q(65, 0);
    q[2] = 0x06, q[3] = 0x04, q[4] = 0x1C, q[6] = 0x25, q[7] = pair, q[8] = 0x04;
    return q;
}

TEST(BoardModelStatus, AStatusQueryGivesTheConfiguredAnswer) {
    struct Case {
        const char *what;
        PortModule port2, port3;
    };
    const Case cases[] = {
        {"two working modules", {true, false, 5}, {true, false, 2}},
        {"a faulty module beside an empty port", {true, true, 7}, {false, false, 0}},
        {"the largest type", {true, false, 15}, {true, true, 15}},
    };
    for (const Case &c : cases) {
        BoardModel model = board_of(0x0800);
        ASSERT_TRUE(model.set_port(2, c.port2));
        ASSERT_TRUE(model.set_port(3, c.port3));
        const std::vector<uint8_t> query = port_status_query(1);
        const auto received = model.receive(0, query.data(), query.size());
        ASSERT_TRUE(received.reply) << c.what;
        EXPECT_FALSE(received.drawn) << c.what;
        StatusRecord record{};
        status::apply_port_status(record, 2, received.reply->data() + 1);
        const PortModule *modules[] = {&c.port2, &c.port3};
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(record.PortPresent[2 + i], modules[i]->present) << c.what;
            EXPECT_EQ(record.PortFault[2 + i], modules[i]->fault) << c.what;
            EXPECT_EQ(record.PortType[2 + i], modules[i]->type) << c.what;
        }
    }
    BoardModel model = board_of(0x0800);
    EXPECT_FALSE(model.set_port(24, {})) << "the port board answers for 24 ports";
}

TEST(BoardModelStatus, TheConfigurationBoardAnswersForItsTwoPorts) {
    struct Case {
        bool present, fault0, fault1;
    };
    for (const Case c :
         {Case{true, false, false}, Case{true, true, false}, Case{false, false, true}}) {
        BoardModel model = board_of(0x0910);
        model.set_port(0, {c.present, c.fault0, 0});
        model.set_port(1, {c.present, c.fault1, 4});
        std::vector<uint8_t> query(65, 0);
        query[4] = 0x13;
        ASSERT_EQ(model.interfaces().size(), 2u);
        const auto received = model.receive(1, query.data(), query.size());
        ASSERT_TRUE(received.reply);
        StatusRecord record{};
        status::apply_config_status(record, received.reply->data() + 1);
        EXPECT_EQ(record.PortPresent[0], c.present);
        EXPECT_EQ(record.PortFault[0], c.fault0);
        EXPECT_EQ(record.PortFault[1], c.fault1);
    }
}

// --- Saved set-ups. ---

TEST(SetupFile, ASavedSetUpOpensToTheSameBoards) {
    BoardSetup custom = BoardSetup::defaults(*board_models::find_board_kind(0x0800));
    custom.ports[4] = {false, true, 9};
    BoardSetup inputs;
    inputs.product = 0x0500;
    inputs.encoders = {{10, 11}, {255, 0}};
    inputs.push_buttons = {3, 7, 200};
    const std::vector<std::vector<BoardSetup>> cases = {
        {},
        {BoardSetup::defaults(*board_models::find_board_kind(0x0700))},
        {custom, inputs, BoardSetup::defaults(*board_models::find_board_kind(0x0910))},
    };
    for (const auto &boards : cases) {
        std::vector<BoardSetup> read;
        std::string error;
        ASSERT_TRUE(setup_from_json(setup_to_json(boards), read, error)) << error;
        EXPECT_EQ(read, boards);
    }
}

TEST(SetupFile, RefusesWhatNoBoardCanBe) {
    struct Case {
        const char *document;
        const char *reason;
    };
    const Case cases[] = {
        {"not json", "not JSON"},
        {"[]", "\"boards\" list"},
        {R"({"boards": [{"product": "0x1234"}]})", "no model"},
        {R"({"boards": [{"product": 70000}]})", "product"},
        {R"({"boards": [{"product": "0x0700", "push_buttons": [64]}]})", "beyond the 64 inputs"},
        {R"({"boards": [{"product": "0x0700", "push_buttons": [1],
             "encoders": [{"clockwise": 1, "counter_clockwise": 2}]}]})",
         "used twice"},
        {R"({"boards": [{"product": "0x0700", "encoders": [{"clockwise": 1}]}]})",
         "counter_clockwise"},
        {R"({"boards": [{"product": "0x0910", "ports": [{}, {}, {}]}]})", "answers for 2"},
        {R"({"boards": [{"product": "0x0800", "ports": [{"type": 16}]}]})", "type"},
        {R"({"boards": [{"product": "0x0800", "ports": [{"present": "yes"}]}]})", "present"},
        {R"({"boards": [{"product": "0x0500", "encoders": [{"clockwise": -1,
             "counter_clockwise": 2}]}]})",
         "clockwise"},
    };
    for (const Case &c : cases) {
        std::vector<BoardSetup> boards{BoardSetup{}};
        std::string error;
        EXPECT_FALSE(setup_from_json(c.document, boards, error)) << c.document;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.document << ": " << error;
        EXPECT_EQ(boards.size(), 1u) << "left as it was";
    }
}

} // namespace
} // namespace panelink::virtualboard
