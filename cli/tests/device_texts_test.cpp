// A board's texts come from the device and may hold any byte: every human-readable line of the
// tool that prints one (list, and the board named by watch, status and send) shows its control
// bytes as \xNN, keeps bytes from 0x80 up, and passes nothing to the terminal that could act on
// it. Run in-process on one virtual board whose texts come from the table.
#include <algorithm>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <panelink/simulation.h>

#include "app.h"
#include "support/report_descriptors.h"

namespace {

// 64 data bytes each way, no report IDs, as the family's vendor-defined boards.
const std::vector<uint8_t> kDescriptor = panelink::test::vendor_descriptor();

struct TextCase {
    const char *name;
    const wchar_t *product; // the device's product text (ASCII: the same in every locale)
    const char *serial;     // the device's serial text, ASCII (the record keeps 3 characters)
    std::string path;       // the interface path, bytes as they are
    std::string product_shown, serial_shown, path_shown;
};

void PrintTo(const TextCase &c, std::ostream *out) {
    *out << c.name;
}

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun run_tool(std::vector<std::string> words) {
    words.insert(words.begin(), "panelink");
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    std::ostringstream out, err;
    const int status = panelink::cli::run(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

// Nothing a terminal acts on: no control byte but the line ends.
bool terminal_safe(const std::string &text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\n') || byte == 0x7F;
    });
}

class DeviceTexts : public testing::TestWithParam<TextCase> {
  protected:
    void SetUp() override {
        const TextCase &c = GetParam();
        panelink_sim_enable(1);
        panelink_sim_reset();
        const std::wstring serial(c.serial, c.serial + std::char_traits<char>::length(c.serial));
        PanelinkSimInterface board{};
        board.vendor_id = 0x12DA;
        board.product_id = 0x0700; // 64 inputs, output reports
        board.path = c.path.c_str();
        board.manufacturer = L"Maker";
        board.product = c.product;
        board.serial_number = serial.c_str();
        board.report_descriptor = kDescriptor.data();
        board.report_descriptor_length = kDescriptor.size();
        ASSERT_GT(panelink_sim_add(&board), 0);
    }
    void TearDown() override { panelink_sim_reset(); }
};

TEST_P(DeviceTexts, ListShowsEachTextEscaped) {
    const TextCase &c = GetParam();
    const ToolRun run = run_tool({"list"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "0  12da:0700  " + c.product_shown + "  serial " + c.serial_shown +
                           "  64 inputs  " + c.path_shown + "\n");
    EXPECT_TRUE(terminal_safe(run.out)) << run.out;
}

TEST_P(DeviceTexts, EveryLineNamingTheBoardShowsItEscaped) {
    const TextCase &c = GetParam();
    const std::string named = "board 0 (" + c.product_shown + ", 12da:0700)";
    const std::vector<std::vector<std::string>> commands = {
        {"watch", "--board", "0", "--seconds", "0.05"},
        {"status", "--board", "0"},
        {"send", "--board", "0", "raw", "00", "01"},
    };
    for (const std::vector<std::string> &command : commands) {
        const ToolRun run = run_tool(command);
        const std::string all = run.out + run.err;
        EXPECT_NE(all.find(named), std::string::npos) << command[0] << ":\n" << all;
        EXPECT_TRUE(terminal_safe(all)) << command[0] << ":\n" << all;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DeviceTexts,
    testing::Values(TextCase{"plain", L"Panel A", "S01", "sim://test/0800", "Panel A", "S01",
                             "sim://test/0800"},
                    TextCase{"colour_sequence", L"Bad \x01\x1b[31m name", "\x1b[0m",
                             "sim://bad\xff\xfe\x01\x1b[31m", "Bad \\x01\\x1B[31m name", "\\x1B[0",
                             "sim://bad\xff\xfe\\x01\\x1B[31m"},
                    TextCase{"line_controls", L"a\tb\nc\rd\x7f", "\b\a", "sim://\x0b\x0c",
                             "a\\x09b\\x0Ac\\x0Dd\\x7F", "\\x08\\x07", "sim://\\x0B\\x0C"},
                    TextCase{"backslash_and_high_bytes", L"x\\x41 \\", "\\",
                             "sim://caf\xc3\xa9\x80\x9b", "x\\x41 \\", "\\",
                             "sim://caf\xc3\xa9\x80\x9b"}),
    [](const testing::TestParamInfo<TextCase> &info) { return std::string(info.param.name); });

} // namespace
