#include <gtest/gtest.h>

#include "line_protocol.h"

namespace panelink::uhid_tool {
namespace {

using Kind = InputCommand::Kind;

TEST(LineProtocol, ReadsEachCommand) {
    const struct {
        const char *line;
        Kind kind;
        size_t board;
        std::vector<uint8_t> bytes;
        unsigned input;
        bool on;
    } cases[] = {
        {"", Kind::None, 0, {}, 0, false},
        {"   # board 2 next", Kind::None, 0, {}, 0, false},
        {"quit", Kind::Quit, 0, {}, 0, false},
        {"2 01 00 ff", Kind::Report, 2, {0x01, 0x00, 0xFF}, 0, false},
        {"0 0x0100ff", Kind::Report, 0, {0x01, 0x00, 0xFF}, 0, false},
        {"4 set 31 1", Kind::SetInput, 4, {}, 31, true},
        {"1\tset\t0x3f\t0", Kind::SetInput, 1, {}, 63, false},
        {"3 unplug", Kind::Unplug, 3, {}, 0, false},
        {"3 plug", Kind::Plug, 3, {}, 0, false},
    };
    for (const auto &c : cases) {
        InputCommand command;
        command.bytes = {9, 9}; // left over from an earlier line
        std::string error;
        ASSERT_TRUE(parse_command(c.line, 5, command, error)) << c.line << ": " << error;
        EXPECT_EQ(command.kind, c.kind) << c.line;
        EXPECT_EQ(command.board, c.board) << c.line;
        EXPECT_EQ(command.bytes, c.bytes) << c.line;
        EXPECT_EQ(command.input, c.input) << c.line;
        EXPECT_EQ(command.on, c.on) << c.line;
    }
}

TEST(LineProtocol, RefusesLinesThatAreNoCommand) {
    const char *lines[] = {
        "5 00",         // no board 5 among 0 to 4
        "x 00",         // not a board number
        "-1 00",        //
        "2",            // nothing to do
        "2 set 3",      // no value
        "2 set 3 2",    // value neither 0 nor 1
        "2 set x 1",    // input not a number
        "2 set 3 1 0",  // one word too many
        "2 unplug now", //
        "2 0 1",        // half bytes
        "2 zz",         // not hexadecimal
        "quit now",     //
    };
    for (const char *line : lines) {
        InputCommand command;
        std::string error;
        EXPECT_FALSE(parse_command(line, 5, command, error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
    InputCommand command;
    std::string error;
    EXPECT_FALSE(parse_command("0 00", 0, command, error)); // no boards at all
}

TEST(LineSplitter, CutsLinesWhereverTheReadsEnd) {
    LineSplitter splitter;
    const auto feed = [&splitter](std::string_view text) {
        splitter.feed(text.data(), text.size());
    };
    std::string line;
    feed("0 set");
    EXPECT_FALSE(splitter.next_line(line));
    feed(" 1 1\r\n1 00\n\n2 p");
    ASSERT_TRUE(splitter.next_line(line));
    EXPECT_EQ(line, "0 set 1 1");
    ASSERT_TRUE(splitter.next_line(line));
    EXPECT_EQ(line, "1 00");
    ASSERT_TRUE(splitter.next_line(line));
    EXPECT_EQ(line, "");
    EXPECT_FALSE(splitter.next_line(line));
    feed("lug");
    ASSERT_TRUE(splitter.rest(line));
    EXPECT_EQ(line, "2 plug");
    EXPECT_FALSE(splitter.rest(line));
}

} // namespace
} // namespace panelink::uhid_tool
