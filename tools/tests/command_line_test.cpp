#include <gtest/gtest.h>

#include "command_line.h"

namespace panelink::uhid_tool {
namespace {

const char *kDescriptor = "06 00 ff 09 01 a1 01 15 00 26 ff 00 75 08 95 40 09 02 81 02 c0";

struct Outcome {
    bool parsed = false;  // CLI11 accepted the arguments
    bool settled = false; // and they describe something to serve
    std::vector<Board> boards;
    ServerOptions options;
    std::string error;
};

Outcome run(std::vector<std::string> args) {
    CLI::App app;
    CommandLine command_line;
    add_options(app, command_line);
    args.insert(args.begin(), "panelink-uhid");
    std::vector<const char *> argv;
    for (const std::string &arg : args) {
        argv.push_back(arg.c_str());
    }
    Outcome outcome;
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError &) {
        return outcome;
    }
    outcome.parsed = true;
    outcome.settled = settle(command_line, outcome.boards, outcome.options, outcome.error);
    return outcome;
}

TEST(CommandLine, AcceptsTheDemoSetOrOneBoard) {
    Outcome demo = run({"--demo"});
    ASSERT_TRUE(demo.settled) << demo.error;
    EXPECT_EQ(demo.boards.size(), 5u);
    EXPECT_EQ(demo.options.inputs, InputSource::Motion);
    EXPECT_TRUE(demo.options.answer_status);

    Outcome one =
        run({"--vendor", "0x12da", "--product", "2048", "--product-text", "Port board", "--serial",
             "S-1", "--interface", "1", "--descriptor", kDescriptor, "--inputs", "stdin"});
    ASSERT_TRUE(one.settled) << one.error;
    ASSERT_EQ(one.boards.size(), 1u);
    const Board &board = one.boards[0];
    EXPECT_EQ(board.identity.vendor, 0x12DA);
    EXPECT_EQ(board.identity.product, 0x0800);
    EXPECT_EQ(board.identity.version, 0x0100); // the default
    EXPECT_EQ(board.identity.name, "Port board");
    EXPECT_EQ(board.identity.uniq, "S-1");
    EXPECT_EQ(board.interface_number, 1);
    EXPECT_EQ(board.input_report_length, 65u);
    EXPECT_EQ(one.options.inputs, InputSource::StandardInput);
}

TEST(CommandLine, RefusesWhatCannotBeServed) {
    const struct {
        const char *what;
        std::vector<std::string> args;
        bool parsed;
    } cases[] = {
        {"nothing to serve", {}, true},
        {"no descriptor", {"--vendor", "1", "--product", "2"}, true},
        {"vendor too large",
         {"--vendor", "0x10000", "--product", "2", "--descriptor", kDescriptor},
         true},
        {"descriptor not hexadecimal",
         {"--vendor", "1", "--product", "2", "--descriptor", "06 0x"},
         true},
        {"interface too large",
         {"--vendor", "1", "--product", "2", "--interface", "256", "--descriptor", kDescriptor},
         true},
        {"demo and a board", {"--demo", "--vendor", "1"}, false},
        {"unknown input source", {"--demo", "--inputs", "random"}, false},
        {"one configuration byte", {"--demo", "--config-status", "9"}, false},
        {"port status too large", {"--demo", "--port-status", "0x100"}, true},
        {"25 port statuses",
         {"--demo", "--port-status", "1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1"},
         true},
        {"pair inputs beyond 30 flags", {"--demo", "--pair-inputs", "0x40000000"}, true},
    };
    for (const auto &c : cases) {
        const Outcome outcome = run(c.args);
        EXPECT_EQ(outcome.parsed, c.parsed) << c.what;
        EXPECT_FALSE(outcome.settled) << c.what;
        if (outcome.parsed) {
            EXPECT_FALSE(outcome.error.empty()) << c.what;
        }
    }
}

TEST(CommandLine, StatusOptionsReplaceTheDefaults) {
    const Outcome outcome =
        run({"--demo", "--port-status", "0x0d,0x0f", "--pair-inputs", "0x5", "--config-status",
             "0x0b,0", "--no-status-replies", "--inputs", "none"});
    ASSERT_TRUE(outcome.settled) << outcome.error;
    const StatusSettings &status = outcome.options.status;
    EXPECT_EQ(status.port_status[0], 0x0D);
    EXPECT_EQ(status.port_status[1], 0x0F);
    EXPECT_EQ(status.port_status[2], StatusSettings::default_port_status()[2]);
    EXPECT_EQ(status.pair_inputs, 0x5u);
    EXPECT_EQ(status.config_b2, 0x0B);
    EXPECT_EQ(status.config_b4, 0x00);
    EXPECT_FALSE(outcome.options.answer_status);
    EXPECT_EQ(outcome.options.inputs, InputSource::None);
}

} // namespace
} // namespace panelink::uhid_tool
