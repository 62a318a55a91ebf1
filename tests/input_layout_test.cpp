// The input layout: report lengths and usage from the descriptor, the sixteen counts from the
// product catalogue's layout (on a few representative products), and a joystick's button count.
#include <array>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>
#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "backends/platform.h"
#include "handle_table.h"
#include "input_layout.h"
#include "product_catalogue.h"
#include "support/open_board.h"
#include "support/sim_boards.h"

namespace panelink::test {
namespace {

// The sixteen count fields in record order (offsets 4, 6, ..., 34).
using Counts = std::array<int16_t, 16>;

Counts counts_at_offsets(const DeviceRecord &record) {
    Counts counts{};
    std::memcpy(counts.data(), reinterpret_cast<const uint8_t *>(&record) + 4, sizeof counts);
    return counts;
}

class InputLayoutTest : public SimBoardsTest {
  protected:
    // Runs fill_input_layout on a virtual board, over a record whose count fields hold junk.
    DeviceRecord layout_of(uint16_t product_id, const std::vector<uint8_t> &descriptor) {
        Board board = make_board(product_id);
        board.report_descriptor = descriptor;
        OpenBoard open(board);
        DeviceRecord record;
        std::memset(&record, 0x7E, sizeof record);
        record.ProductID = product_id;
        fill_input_layout(*acquire_device(open.record().Handle), record);
        return record;
    }
};

// The catalogue's layout of a product reaches the record's count fields, each at its offset.
// Lumenet (0x0800) sets fifteen of the sixteen, LayoutCount11 and LayoutCount12 among them
// (offsets 16 and 22, out of the order of their numbers); Zephyr-Lite (0x0910) sets
// LayoutCount8 and LayoutCount13.
TEST_F(InputLayoutTest, LayoutCountsLandAtTheirOffsets) {
    struct Case {
        uint16_t product_id;
        Counts expected; // record order: counts 1-6, 11, 7, 8, 12, 9, 10, 13-16
    };
    const Case cases[] = {
        {0x0800, {0, 360, 24, 0, 0, 0, 48, 360, 192, 48, 1344, 24, 240, 240, 1536, 96}},
        {0x0910, {0, 12, 2, 0, 0, 8, 0, 0, 1, 0, 0, 0, 8, 0, 0, 0}},
        {0x0500, {256, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.product_id);
        EXPECT_EQ(counts_at_offsets(layout_of(c.product_id, vendor_descriptor())), c.expected);
    }

    const DeviceRecord lumenet = layout_of(0x0800, vendor_descriptor());
    EXPECT_EQ(lumenet.LayoutCount11, 48);
    EXPECT_EQ(lumenet.LayoutCount9, 1344);
    EXPECT_EQ(lumenet.PortCount, 24);
}

// A product without a layout gets all sixteen counts 0: one without a layout in the catalogue,
// a flashing identity, 0x1600 (whose layout in the catalogue is ignored) and products outside
// the catalogue.
TEST_F(InputLayoutTest, ProductsWithoutALayoutGetZeros) {
    ASSERT_TRUE(catalogue::find(0x1600)->layout.has_value());
    for (uint16_t id : {0x0100, 0x0920, 0x1000, 0x1700, 0x1600, 0x0000, 0x0777, 0xFFFF}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(counts_at_offsets(layout_of(id, vendor_descriptor())), Counts{});
    }
}

TEST_F(InputLayoutTest, ReportLengthsAndUsageComeFromTheDescriptor) {
    const DeviceRecord vendor = layout_of(0x0500, vendor_descriptor());
    EXPECT_EQ(vendor.InputReportByteLength, 65);
    EXPECT_EQ(vendor.OutputReportByteLength, 65);
    EXPECT_EQ(vendor.Usage, 1);
    EXPECT_EQ(vendor.UsagePage, 0xFF00);

    const DeviceRecord joystick = layout_of(0x0600, joystick_descriptor({{1, 32}}));
    EXPECT_EQ(joystick.InputReportByteLength, 1 + 4 + 2); // report ID, 32 buttons, X and Y
    EXPECT_EQ(joystick.OutputReportByteLength, 0);
    EXPECT_EQ(joystick.Usage, 4);
    EXPECT_EQ(joystick.UsagePage, 1);
}

TEST_F(InputLayoutTest, InterfaceWithoutDescriptorGetsZeroLengthsAndItsRow) {
    const DeviceRecord record = layout_of(0x0300, {});
    EXPECT_EQ(record.InputReportByteLength, 0);
    EXPECT_EQ(record.OutputReportByteLength, 0);
    EXPECT_EQ(record.Usage, 0);
    EXPECT_EQ(record.UsagePage, 0);
    EXPECT_EQ(record.InputCount, 64);
    EXPECT_EQ(record.PortCount, 2);
}

// A joystick's InputCount is the sum of the highest usages of at most two input button
// capabilities, in 16-bit arithmetic; the other counts are 0 whatever the product's row says.
TEST_F(InputLayoutTest, JoystickCountsItsButtons) {
    struct Case {
        const char *what;
        std::vector<ButtonRange> buttons;
        int16_t input_count;
    };
    const Case cases[] = {
        {"one capability, buttons 1-32", {{1, 32}}, 32},
        {"two capabilities add their highest usages", {{1, 24}, {25, 32}}, 24 + 32},
        {"a third capability is not counted", {{1, 8}, {9, 16}, {17, 24}}, 8 + 16},
        {"the sum wraps at 16 bits", {{0xFFF8, 0xFFFF}, {1, 0x20}}, 0x1F},
        {"no button capability", {}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const DeviceRecord record = layout_of(0x0910, joystick_descriptor(c.buttons));
        Counts expected{};
        expected[0] = c.input_count;
        EXPECT_EQ(counts_at_offsets(record), expected);
    }
}

TEST_F(InputLayoutTest, EnumerationFillsLayoutForEveryKeptRecord) {
    Board joystick = make_board(0x0600);
    joystick.report_descriptor = joystick_descriptor({{1, 32}});
    add_board(joystick);
    add_board(0x0800);
    DeviceRecord records[2];
    int32_t count = 0;

    ASSERT_EQ(DetectHID(&count, records, PANELINK_MODE_STANDARD), 1);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(records[0].InputCount, 32);
    EXPECT_EQ(records[0].UsagePage, 1);
    EXPECT_EQ(records[1].LayoutCount15, 1536);
    EXPECT_EQ(records[1].InputReportByteLength, 65);
    CloseDevices(static_cast<uint32_t>(count), records);
}

} // namespace
} // namespace panelink::test
