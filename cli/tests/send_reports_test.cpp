// Each send subcommand hands the library what its arguments mean: the report it sends equals the
// report of the library call made directly with those values (observed on a virtual board).
#include <cstdint>
#include <functional>
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

struct SendCase {
    const char *name;
    std::vector<std::string> args; // after "send --board 0"
    std::function<int32_t(DeviceRecord *)> library_call;
};

void PrintTo(const SendCase &c, std::ostream *out) {
    *out << c.name;
}

std::vector<uint8_t> bytes(std::initializer_list<uint8_t> given, size_t size) {
    std::vector<uint8_t> all(given);
    all.resize(size, 0);
    return all;
}

class SendReports : public testing::TestWithParam<SendCase> {
  protected:
    void SetUp() override {
        panelink_sim_enable(0);
        panelink_sim_reset();
        PanelinkSimInterface board{};
        board.vendor_id = 0x12DA;
        board.product_id = 0x0500;
        board.version_number = 0x0100;
        board.path = "sim://test/0500#vid_12da&pid_0500&mi_00";
        board.manufacturer = L"Maker";
        board.product = L"Board";
        board.serial_number = L"S01";
        board.report_descriptor = kDescriptor.data();
        board.report_descriptor_length = kDescriptor.size();
        id_ = panelink_sim_add(&board);
        ASSERT_GT(id_, 0);
    }
    void TearDown() override { panelink_sim_reset(); }

    std::vector<uint8_t> next_output() {
        std::vector<uint8_t> report(128);
        report.resize(panelink_sim_pop_output(id_, report.data(), report.size()));
        return report;
    }

    int id_ = 0;
};

TEST_P(SendReports, AsTheLibraryCallWithTheMeantValues) {
    const SendCase &c = GetParam();
    std::vector<std::string> words = {"panelink", "send", "--board", "0"};
    words.insert(words.end(), c.args.begin(), c.args.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    std::ostringstream out, err;
    ASSERT_EQ(panelink::cli::run(static_cast<int>(argv.size()), argv.data(), out, err), 0)
        << err.str();
    const std::vector<uint8_t> sent = next_output();
    ASSERT_FALSE(sent.empty());
    EXPECT_TRUE(next_output().empty()) << "one report only";

    std::vector<DeviceRecord> records(PANELINK_MAX_DEVICES);
    int32_t count = 0;
    ASSERT_EQ(DetectHID(&count, records.data(), PANELINK_MODE_STANDARD), 1);
    EXPECT_GT(c.library_call(&records[0]), 0);
    CloseDevices(static_cast<uint32_t>(count), records.data());
    EXPECT_EQ(sent, next_output());
}

const std::string kSpaces22(22, ' ');
const char kTandemLayout[22] = {'1', '2', '.', '3', 0, 0, 0, 0,  0, '-', '4',
                                '5', 0,   0,   0,   0, 0, 0, 12, 0, 1,   2};
const int32_t kCrtValues[] = {0, 0, 10, -20, 0x30}; // the values from start index 2 on

// One case a line: the subcommand's arguments, then the library call they mean.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Commands, SendReports, testing::Values(
    SendCase{"direct", {"direct", "--port", "3", "ff", "01"}, [](DeviceRecord *r) { return WriteDirectOutput(r, 3, bytes({0xff, 1}, PANELINK_DIRECT_OUTPUT_BYTES).data()); }},
    SendCase{"mux", {"mux", "--port", "0x4", "0x0102"}, [](DeviceRecord *r) { return WriteMuxOutput(r, 4, bytes({1, 2}, PANELINK_MUX_OUTPUT_BYTES).data()); }},
    SendCase{"latched", {"latched", "--port", "2", "--parameter", "5", "1011_0001"}, [](DeviceRecord *r) { return WriteLatchedOutput(r, 2, bytes({1, 0, 1, 1, 0, 0, 0, 1}, PANELINK_LATCHED_OUTPUT_STATES).data(), 5); }},
    SendCase{"spi_dac", {"spi-dac", "--port", "0", "--parameter", "0x10", "01", "02"}, [](DeviceRecord *r) { return WriteSPIDAC(r, 0, bytes({1, 2}, PANELINK_SPI_DAC_BYTES).data(), 0x10); }},
    SendCase{"dot_matrix", {"dot-matrix", "--port", "5", "ff 00 ff"}, [](DeviceRecord *r) { return WriteDotMatrix(r, 5, bytes({0xff, 0, 0xff}, PANELINK_DOT_MATRIX_BYTES).data(), 0); }},
    SendCase{"glcd_command", {"glcd-command", "--port", "1", "--parameter", "2", "0x40"}, [](DeviceRecord *r) { return CmdGLCD(r, 1, 2, 0x40); }},
    SendCase{"glcd_data", {"glcd-data", "--port", "1", "--position", "3", "AB", "CD"}, [](DeviceRecord *r) { return WriteGLCD(r, 1, 3, 2, 0, ("AB" + kSpaces22 + "CD" + kSpaces22).c_str()); }},
    SendCase{"crt_rwr", {"crt-rwr", "--port", "2", "--value", "9", "--start", "2", "10", "-20", "0x30"}, [](DeviceRecord *r) { return WriteCRTRWR(r, 2, 9, 3, 2, kCrtValues); }},
    SendCase{"seven_segment", {"seven-segment", "3f", "06"}, [](DeviceRecord *r) { return Write7Segment(r, bytes({0x3f, 6}, 2).data()); }},
    SendCase{"lcd_clear", {"lcd-clear"}, [](DeviceRecord *r) { return ClearLCD(r, 0); }},
    SendCase{"lcd", {"lcd", "--selector", "1", "--parameter", "2", "Hello"}, [](DeviceRecord *r) { return WriteLCD(r, 0, 1, "Hello               ", 2); }},
    SendCase{"display", {"display", "--port", "1", "--", "-12.5"}, [](DeviceRecord *r) { return WriteDisplayOutput(r, 1, "-12.5", 0); }},
    SendCase{"tandem", {"tandem", "12.3", "-45", "--digit", "P", "--last-bytes", "01 02"}, [](DeviceRecord *r) { return WriteTANDEM(r, kTandemLayout, 0); }},
    SendCase{"raw", {"raw", "00 25 ff"}, [](DeviceRecord *r) { return WriteData(r, bytes({0, 0x25, 0xff}, 65).data()); }}),
    [](const testing::TestParamInfo<SendCase> &info) { return std::string(info.param.name); });
// clang-format on

} // namespace
