#include <string>

#include <gtest/gtest.h>

#include "backends/simulated/demo.h"
#include "board_set.h"

namespace panelink::board_models {
namespace {

// Interface number written in a path's "mi_NN".
int path_interface(const std::string &path) {
    const size_t at = path.rfind("mi_");
    return at == std::string::npos ? -1 : std::stoi(path.substr(at + 3), nullptr, 16);
}

TEST(DemoBoardSet, ServesTheLibrarysDemoBoards) {
    const std::vector<Board> boards = demo_board_set();
    const auto demo = platform::sim::demo_boards();
    ASSERT_EQ(boards.size(), demo.size());
    ASSERT_EQ(boards.size(), 5u);
    for (size_t i = 0; i < boards.size(); ++i) {
        const Board &board = boards[i];
        SCOPED_TRACE(demo[i].path);
        EXPECT_EQ(board.identity.bus, 0x03);
        EXPECT_EQ(board.identity.vendor, 0x12DA);
        EXPECT_EQ(board.identity.product, demo[i].product_id);
        EXPECT_EQ(board.identity.version, 0x0100);
        EXPECT_EQ(board.interface_number, path_interface(demo[i].path));
        EXPECT_EQ(board.identity.descriptor.size(), demo[i].descriptor_length);
        EXPECT_FALSE(board.numbered_reports);
        EXPECT_TRUE(board.identity.phys.empty());
    }
    EXPECT_EQ(boards[0].identity.name, "Halcyon-256 USB MODULE");
    EXPECT_EQ(boards[0].identity.uniq, "D0500-01");
    EXPECT_EQ(boards[3].interface_number, 1);
    EXPECT_EQ(boards[3].motion, nullptr); // the configuration interface stands still
    EXPECT_EQ(boards[0].input_report_length, 65u);
    EXPECT_EQ(boards[4].input_report_length, 7u); // joystick: ID byte, 4 button bytes, X, Y
    EXPECT_EQ(boards[4].motion_length, 7u);
}

TEST(DemoBoardSet, ReportsGoOutWithoutTheReportIdByte) {
    const std::vector<Board> boards = demo_board_set();
    const uint8_t report[] = {0x00, 0x11, 0x22};
    EXPECT_EQ(boards[0].wire_report(report, sizeof report), (std::vector<uint8_t>{0x11, 0x22}));
}

// Two input reports numbered 1 and 2, 2 data bytes each, and no output.
const std::vector<uint8_t> kNumberedDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x85, 0x01,
    0x95, 0x02, 0x09, 0x02, 0x81, 0x02, 0x85, 0x02, 0x95, 0x02, 0x09, 0x03, 0x81, 0x02, 0xC0};

TEST(CommandLineBoard, TakesItsReportsFromTheDescriptor) {
    BoardOptions options;
    options.vendor = 0x12DA;
    options.product = 0x0800;
    options.product_text = "Port board";
    options.interface_number = 2;
    options.descriptor = kNumberedDescriptor;
    Board board;
    std::string error;
    ASSERT_TRUE(board_from_options(options, board, error)) << error;
    EXPECT_TRUE(board.numbered_reports);
    EXPECT_EQ(board.input_report_id, 1);
    EXPECT_EQ(board.input_report_length, 3u);
    EXPECT_EQ(board.label(), "12da:0800 interface 2");
    const uint8_t report[] = {0x01, 0x11, 0x22};
    EXPECT_EQ(board.wire_report(report, sizeof report), (std::vector<uint8_t>{1, 0x11, 0x22}));

    // Its motion walks one bit over the 16 data bits, then starts again.
    ASSERT_NE(board.motion, nullptr);
    for (uint64_t step = 0; step < 40; ++step) {
        uint8_t moved[3] = {};
        board.motion(step, moved, sizeof moved);
        const unsigned bit = step % 16;
        EXPECT_EQ(moved[1 + bit / 8], 1u << (bit % 8)) << step;
        EXPECT_EQ(moved[1] | moved[2], 1u << (bit % 8)) << step;
    }
}

TEST(CommandLineBoard, RefusesDescriptorsItCannotServe) {
    const struct {
        const char *what;
        std::vector<uint8_t> descriptor;
    } cases[] = {
        {"truncated", {0x06, 0x00}},
        {"no collection", {0x09, 0x01}},
        {"no input report",
         {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x02, 0x09, 0x02, 0x91, 0x02,
          0xC0}},
    };
    for (const auto &c : cases) {
        BoardOptions options;
        options.descriptor = c.descriptor;
        Board board;
        std::string error;
        EXPECT_FALSE(board_from_options(options, board, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

TEST(Utf8Text, EncodesEveryRangeOfCharacters) {
    EXPECT_EQ(utf8_text(L"Zephyr-Lite"), "Zephyr-Lite");
    EXPECT_EQ(utf8_text(L"\u00e9\u20ac\U0001F600"), "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
    EXPECT_EQ(utf8_text(nullptr), "");
}

} // namespace
} // namespace panelink::board_models
