// Report-descriptor parser on hand-written descriptors shaped like real devices, on malformed
// ones, and the data items it extracts from input reports.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hid/report_descriptor.h"

namespace {

using panelink::hid::Capability;
using panelink::hid::Collection;
using panelink::hid::DataItem;
using panelink::hid::ReportDescriptor;
using panelink::hid::ReportType;
using Bytes = std::vector<uint8_t>;
using Pairs = std::vector<std::pair<uint16_t, uint32_t>>; // (data index, value) of data items

constexpr int kInput = static_cast<int>(ReportType::Input);
constexpr int kOutput = static_cast<int>(ReportType::Output);
constexpr int kFeature = static_cast<int>(ReportType::Feature);

ReportDescriptor parse_ok(const Bytes &bytes) {
    ReportDescriptor out;
    std::string error;
    EXPECT_TRUE(panelink::hid::parse_report_descriptor(bytes.data(), bytes.size(), out, &error))
        << error;
    return out;
}

// The one top-level collection of a descriptor that must parse.
Collection only_collection(const Bytes &bytes) {
    const ReportDescriptor d = parse_ok(bytes);
    EXPECT_EQ(d.collections.size(), 1u);
    return d.collections.at(0);
}

std::string parse_error(const Bytes &bytes) {
    ReportDescriptor out;
    std::string error;
    EXPECT_FALSE(panelink::hid::parse_report_descriptor(bytes.data(), bytes.size(), out, &error));
    EXPECT_TRUE(out.collections.empty());
    return error;
}

std::vector<DataItem> data_of(const Collection &c, const Bytes &report, size_t capacity = 256) {
    std::vector<DataItem> items(capacity);
    items.resize(c.input_data(report.data(), report.size(), items.data(), items.size()));
    return items;
}

Pairs pairs(const std::vector<DataItem> &items) {
    Pairs out;
    for (const DataItem &item : items) {
        out.emplace_back(item.data_index, item.value);
    }
    return out;
}

// A vendor board: 64-byte input and output reports without report IDs.
const Bytes kVendorBoard = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75,
    0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x09, 0x02, 0x91, 0x02, 0xC0,
};

// A joystick: 32 buttons in one range, 16-bit X/Y/Z, a 4-bit hat and 4 bits of padding.
const Bytes kJoystick = {
    0x05, 0x01, 0x09, 0x04, 0xA1, 0x01,                         // Generic Desktop, Joystick
    0x05, 0x09, 0x19, 0x01, 0x29, 0x20, 0x15, 0x00, 0x25, 0x01, // buttons 1 to 32
    0x75, 0x01, 0x95, 0x20, 0x81, 0x02,                         //
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09, 0x32,             // X, Y, Z
    0x15, 0x00, 0x27, 0xFF, 0xFF, 0x00, 0x00, 0x75, 0x10, 0x95, 0x03, 0x81, 0x02, //
    0x09, 0x39, 0x15, 0x00, 0x25, 0x07, 0x35, 0x00, 0x46, 0x3B, 0x01, 0x65, 0x14, // hat
    0x75, 0x04, 0x95, 0x01, 0x81, 0x42,                                           //
    0x75, 0x04, 0x95, 0x01, 0x81, 0x03,                                           // padding
    0xC0,
};

// Several report IDs: input reports 1 (two value bytes, then 8 buttons) and 2 (a 16-bit value
// and padding), output report 3, feature report 4.
const Bytes kReportIds = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, //
    0x85, 0x01, 0x75, 0x08, 0x95, 0x02, 0x09, 0x01, 0x81, 0x02,             // report 1
    0x85, 0x02, 0x75, 0x10, 0x95, 0x01, 0x09, 0x02, 0x81, 0x02,             // report 2
    0x75, 0x08, 0x95, 0x05, 0x81, 0x03,                                     //
    0x85, 0x03, 0x95, 0x04, 0x09, 0x03, 0x91, 0x02,                         // report 3
    0x85, 0x04, 0x95, 0x01, 0x09, 0x04, 0xB1, 0x02,                         // report 4
    0x85, 0x01, 0x75, 0x01, 0x95, 0x08, 0x05, 0x09, 0x19, 0x01, 0x29, 0x08, // report 1 again
    0x25, 0x01, 0x81, 0x02, 0xC0,
};

// A keyboard: modifier bits, a reserved byte, LED outputs and a 6-key array.
const Bytes kKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,                                     //
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,             // modifiers
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02,                                     //
    0x95, 0x01, 0x75, 0x08, 0x81, 0x03,                                     // reserved
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, // LEDs
    0x95, 0x01, 0x75, 0x03, 0x91, 0x03,                                     //
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, // keys
    0x29, 0x65, 0x81, 0x00, 0xC0,
};

TEST(ReportDescriptor, VendorBoardHas65ByteReportsAndNoButtons) {
    const Collection c = only_collection(kVendorBoard);
    EXPECT_EQ(c.usage, 0x01);
    EXPECT_EQ(c.usage_page, 0xFF00);
    EXPECT_EQ(c.input_report_byte_length, 65);
    EXPECT_EQ(c.output_report_byte_length, 65);
    EXPECT_EQ(c.feature_report_byte_length, 0);
    EXPECT_EQ(c.number_input_button_caps(), 0u);

    ASSERT_EQ(c.caps[kInput].size(), 1u);
    const Capability &in = c.caps[kInput][0];
    EXPECT_FALSE(in.is_button);
    EXPECT_EQ(in.usage_page, 0xFF00);
    EXPECT_EQ(in.usage_min, 0x01);
    EXPECT_EQ(in.byte_position, 1); // after the (zero) report ID byte
    EXPECT_EQ(in.report_count, 64);
    ASSERT_EQ(c.caps[kOutput].size(), 1u);
    EXPECT_EQ(c.caps[kOutput][0].usage_min, 0x02);
    EXPECT_EQ(c.caps[kOutput][0].data_index_min, 0); // numbered per report type
}

TEST(ReportDescriptor, JoystickCapabilitiesFollowWindowsOrder) {
    const Collection c = only_collection(kJoystick);
    EXPECT_EQ(c.usage, 0x04);
    EXPECT_EQ(c.usage_page, 0x01);
    EXPECT_EQ(c.input_report_byte_length, 12);
    EXPECT_EQ(c.output_report_byte_length, 0);

    const std::vector<Capability> &caps = c.caps[kInput];
    ASSERT_EQ(caps.size(), 5u);
    EXPECT_TRUE(caps[0].is_button);
    EXPECT_TRUE(caps[0].is_range);
    EXPECT_EQ(caps[0].usage_min, 1);
    EXPECT_EQ(caps[0].usage_max, 32);
    EXPECT_EQ(caps[0].data_index_min, 0);
    EXPECT_EQ(caps[0].data_index_max, 31);
    // Axes listed X, Y, Z in one item come out Z, Y, X, numbered in that order.
    const uint16_t usages[] = {0x32, 0x31, 0x30};
    const uint16_t bytes[] = {9, 7, 5};
    for (int i = 0; i < 3; ++i) {
        const Capability &axis = caps[static_cast<size_t>(1 + i)];
        EXPECT_FALSE(axis.is_button);
        EXPECT_FALSE(axis.is_range);
        EXPECT_EQ(axis.usage_min, usages[i]);
        EXPECT_EQ(axis.usage_max, usages[i]);
        EXPECT_EQ(axis.data_index_min, 32 + i);
        EXPECT_EQ(axis.data_index_max, 32 + i);
        EXPECT_EQ(axis.byte_position, bytes[i]);
        EXPECT_EQ(axis.bit_size, 16);
        EXPECT_EQ(axis.logical_max, 65535);
    }
    EXPECT_EQ(caps[4].usage_min, 0x39);
    EXPECT_EQ(caps[4].data_index_min, 35);
    EXPECT_EQ(caps[4].byte_position, 11);
    EXPECT_EQ(caps[4].bit_field, 0x42);
    EXPECT_EQ(caps[4].units, 0x14u);
    EXPECT_EQ(caps[4].physical_max, 315);
}

TEST(ReportDescriptor, JoystickButtonCapsAreBoundedByCapacity) {
    const Collection c = only_collection(kJoystick);
    EXPECT_EQ(c.number_input_button_caps(), 1u);
    Capability caps[2];
    EXPECT_EQ(c.input_button_caps(caps, 2), 1u);
    EXPECT_EQ(caps[0].usage_max, 32);
    EXPECT_EQ(c.input_button_caps(caps, 0), 0u);
    EXPECT_EQ(c.input_button_caps(nullptr, 2), 0u);
}

TEST(ReportDescriptor, JoystickDataItemsGiveSetButtonsAndEveryAxis) {
    const Collection c = only_collection(kJoystick);
    // Buttons 4 and 18 (data indices 3 and 17), X = 0x1234, Y = 2, Z = 0xFFFF, hat = 5.
    const Bytes report = {0x00, 0x08, 0x00, 0x02, 0x00, 0x34, 0x12, 0x02, 0x00, 0xFF, 0xFF, 0xF5};
    const Pairs expected = {{3, 1}, {17, 1}, {32, 0xFFFF}, {33, 2}, {34, 0x1234}, {35, 5}};
    EXPECT_EQ(pairs(data_of(c, report)), expected);

    // A short report yields only the controls that lie wholly inside it.
    const Bytes first_bytes(report.begin(), report.begin() + 3);
    EXPECT_EQ(pairs(data_of(c, first_bytes)), (Pairs{{3, 1}}));
    const Bytes up_to_x(report.begin(), report.begin() + 7);
    EXPECT_EQ(data_of(c, up_to_x).size(), 3u); // two buttons and X
    EXPECT_TRUE(data_of(c, Bytes{}).empty());

    // Never more items than the caller has room for.
    EXPECT_EQ(pairs(data_of(c, report, 2)), (Pairs{{3, 1}, {17, 1}}));
    EXPECT_EQ(c.input_data(report.data(), report.size(), nullptr, 4), 0u);
}

TEST(ReportDescriptor, ButtonsThatStartInsideAByteAreReadBitByBit) {
    // Three bits of padding, then 20 buttons: button bits do not start on a byte boundary.
    const Bytes descriptor = {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x75, 0x01, 0x95, 0x03, 0x81,
                              0x03, 0x05, 0x09, 0x19, 0x01, 0x29, 0x14, 0x15, 0x00, 0x25, 0x01,
                              0x95, 0x14, 0x81, 0x02, 0x95, 0x01, 0x81, 0x03, 0xC0};
    const Collection c = only_collection(descriptor);
    ASSERT_EQ(c.input_report_byte_length, 4);
    // Buttons 0, 4, 5, 12 and 19 on: report bits 3, 7, 8, 15 and 22; the padding bits are set
    // too and must not count.
    const Bytes report = {0x00, 0x8F, 0x81, 0x40};
    const Pairs expected = {{0, 1}, {4, 1}, {5, 1}, {12, 1}, {19, 1}};
    EXPECT_EQ(pairs(data_of(c, report)), expected);
    // Cut after its second byte, the report holds buttons 0 to 4 only.
    EXPECT_EQ(pairs(data_of(c, Bytes{0x00, 0x8F})), (Pairs{{0, 1}, {4, 1}}));
}

TEST(ReportDescriptor, ReportIdsSeparateReportsAndLengths) {
    const Collection c = only_collection(kReportIds);
    EXPECT_EQ(c.input_report_byte_length, 8);   // report 2: 7 data bytes
    EXPECT_EQ(c.output_report_byte_length, 5);  // report 3: 4 data bytes
    EXPECT_EQ(c.feature_report_byte_length, 2); // report 4: 1 data byte

    const std::vector<Capability> &caps = c.caps[kInput];
    ASSERT_EQ(caps.size(), 3u);
    EXPECT_EQ(caps[0].report_id, 1);
    EXPECT_EQ(caps[1].report_id, 2);
    EXPECT_EQ(caps[1].byte_position, 1);
    EXPECT_EQ(caps[2].report_id, 1);
    EXPECT_EQ(caps[2].byte_position, 3); // after report 1's two value bytes
    EXPECT_EQ(caps[2].data_index_min, 2);
    EXPECT_EQ(c.caps[kOutput].at(0).report_id, 3);
    EXPECT_EQ(c.caps[kFeature].at(0).report_id, 4);

    // Only the controls of the report whose ID the report carries.
    EXPECT_EQ(pairs(data_of(c, {0x01, 0xAA, 0xBB, 0x05})), (Pairs{{2, 1}, {4, 1}}));
    EXPECT_EQ(pairs(data_of(c, {0x02, 0x34, 0x12, 0, 0, 0, 0, 0})), (Pairs{{1, 0x1234}}));
    EXPECT_TRUE(data_of(c, {0x09, 0xFF, 0xFF, 0xFF}).empty());
    EXPECT_TRUE(data_of(c, {0x00, 0xFF, 0xFF, 0xFF}).empty());
}

TEST(ReportDescriptor, KeyboardArrayMapsKeyCodesToDataIndices) {
    const Collection c = only_collection(kKeyboard);
    EXPECT_EQ(c.usage, 0x06);
    EXPECT_EQ(c.input_report_byte_length, 9);
    EXPECT_EQ(c.output_report_byte_length, 2);
    ASSERT_EQ(c.caps[kInput].size(), 2u);
    const Capability &keys = c.caps[kInput][1];
    EXPECT_TRUE(keys.is_button);
    EXPECT_TRUE(keys.is_range);
    EXPECT_EQ(keys.usage_page, 0x07);
    EXPECT_EQ(keys.usage_min, 0x00);
    EXPECT_EQ(keys.usage_max, 0x65);
    EXPECT_EQ(keys.data_index_min, 8);
    EXPECT_EQ(keys.data_index_max, 8 + 0x65);
    EXPECT_EQ(keys.byte_position, 3);
    EXPECT_EQ(keys.report_count, 6);
    EXPECT_EQ(c.number_input_button_caps(), 2u);
    ASSERT_EQ(c.caps[kOutput].size(), 1u);
    EXPECT_EQ(c.caps[kOutput][0].usage_page, 0x08);

    // Left shift (0xE1), keys 0x04 and 0x05; an empty slot (0) and a value above the logical
    // maximum select no usage.
    const Bytes report = {0x00, 0x02, 0x00, 0x04, 0x00, 0x05, 0x66, 0x00, 0x00};
    EXPECT_EQ(pairs(data_of(c, report)), (Pairs{{1, 1}, {12, 1}, {13, 1}}));
}

TEST(ReportDescriptor, ArrayWithUsageListNumbersUsagesInDescriptorOrder) {
    const Bytes system_control = {0x05, 0x01, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x04, 0x75, 0x02,
                                  0x95, 0x01, 0x15, 0x01, 0x25, 0x03, 0x09, 0x82, 0x09, 0x81,
                                  0x09, 0x83, 0x81, 0x60, 0x75, 0x06, 0x81, 0x03, 0xC0};
    const Collection c = only_collection(system_control);
    const std::vector<Capability> &caps = c.caps[kInput];
    ASSERT_EQ(caps.size(), 3u);
    const uint16_t usages[] = {0x83, 0x81, 0x82};
    const uint16_t indices[] = {2, 1, 0};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(caps[i].usage_min, usages[i]);
        EXPECT_EQ(caps[i].data_index_min, indices[i]);
        EXPECT_EQ(caps[i].byte_position, 1);
        EXPECT_EQ(caps[i].is_multiple_items_for_array, i != 2);
    }
    EXPECT_EQ(pairs(data_of(c, {0x04, 0x02})), (Pairs{{1, 1}})); // value 2: usage 0x81
    EXPECT_EQ(pairs(data_of(c, {0x04, 0x03})), (Pairs{{2, 1}}));
    EXPECT_TRUE(data_of(c, {0x04, 0x00}).empty()); // below the logical minimum: null
}

TEST(ReportDescriptor, TopLevelCollectionsAndLinkCollections) {
    const Bytes two = {
        0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1, 0x00, // mouse, pointer
        0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01,
        0x95, 0x03, 0x81, 0x02, 0x95, 0x05, 0x81, 0x03, 0xC0,             // buttons, padding
        0xA1, 0x02, 0x05, 0x01, 0x09, 0x38, 0x15, 0x81, 0x25, 0x7F, 0x75, // unnamed logical
        0x08, 0x95, 0x01, 0x81, 0x06, 0xC0, 0xC0,                         // wheel
        0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x05, 0x01,       // consumer control
        0x0B, 0x38, 0x02, 0x0C, 0x00, 0x81, 0x06, 0xC0,                   // extended usage
    };
    const ReportDescriptor d = parse_ok(two);
    ASSERT_EQ(d.collections.size(), 2u);
    const Collection &mouse = d.collections[0];
    EXPECT_EQ(mouse.usage, 0x02);
    EXPECT_EQ(mouse.input_report_byte_length, 3);
    ASSERT_EQ(mouse.caps[kInput].size(), 2u);
    EXPECT_EQ(mouse.caps[kInput][0].link_collection, 1);
    EXPECT_EQ(mouse.caps[kInput][0].link_usage, 0x01);
    EXPECT_EQ(mouse.caps[kInput][1].link_collection, 2);
    EXPECT_EQ(mouse.caps[kInput][1].link_usage, 0x00);
    EXPECT_EQ(mouse.caps[kInput][1].link_usage_page, 0x09); // the page current at the collection
    EXPECT_EQ(mouse.caps[kInput][1].byte_position, 2);
    EXPECT_FALSE(mouse.caps[kInput][1].is_absolute);

    const Collection &consumer = d.collections[1];
    EXPECT_EQ(consumer.usage, 0x01);
    EXPECT_EQ(consumer.usage_page, 0x0C);
    EXPECT_EQ(consumer.input_report_byte_length, 2);
    ASSERT_EQ(consumer.caps[kInput].size(), 1u);
    const Capability &ac_pan = consumer.caps[kInput][0];
    EXPECT_EQ(ac_pan.usage_page, 0x0C); // the usage carries its own page
    EXPECT_EQ(ac_pan.usage_min, 0x238);
    EXPECT_EQ(ac_pan.link_collection, 0);
    EXPECT_EQ(ac_pan.data_index_min, 0);
}

TEST(ReportDescriptor, PushPopDelimiterAndLongItems) {
    const Bytes descriptor = {
        0x05, 0x01, 0x09, 0x05, 0xA1, 0x01,             //
        0xFE, 0x02, 0x10, 0xAA, 0xBB,                   // long item, skipped
        0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,       //
        0xA4, 0x75, 0x10, 0x95, 0x01, 0x09, 0x30, 0x81, // push; X is 16 bits
        0x02, 0xB4,                                     // pop: 8 bits again
        0x95, 0x01, 0xA9, 0x01, 0x09, 0x31, 0x09, 0x33, 0xA9, 0x00, 0x81, 0x02, // Y, alias Rx
        0x96, 0x02, 0x00, 0x05, 0x09, 0x09, 0x05, 0xB1, 0x03, // constant with usage
        0x95, 0x06, 0xB1, 0x03,                               // padding
        0xC0,
    };
    const Collection c = only_collection(descriptor);
    EXPECT_EQ(c.input_report_byte_length, 4);
    const std::vector<Capability> &caps = c.caps[kInput];
    ASSERT_EQ(caps.size(), 2u);
    EXPECT_EQ(caps[0].usage_min, 0x30);
    EXPECT_EQ(caps[0].bit_size, 16);
    EXPECT_EQ(caps[1].usage_min, 0x31);
    EXPECT_EQ(caps[1].bit_size, 8);
    EXPECT_EQ(caps[1].byte_position, 3);
    // A constant field that names a usage keeps its capability; plain padding gets none but
    // still takes its bits.
    EXPECT_EQ(c.feature_report_byte_length, 9);
    ASSERT_EQ(c.caps[kFeature].size(), 1u);
    EXPECT_EQ(c.caps[kFeature][0].usage_page, 0x09);
    EXPECT_EQ(c.caps[kFeature][0].report_count, 2);
}

TEST(ReportDescriptor, MalformedDescriptorsAreRefusedWithAReason) {
    const Bytes open = {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01};
    auto with = [&](Bytes tail) {
        Bytes bytes = open;
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return bytes;
    };
    struct Case {
        const char *what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"truncated item", with({0x26, 0xFF})},
        {"truncated 4-byte item", with({0xC0, 0x27, 0x01, 0x02})},
        {"truncated long item", with({0xC0, 0xFE, 0x05, 0x10, 0x01})},
        {"long item header cut", with({0xC0, 0xFE, 0x05})},
        {"collection left open", open},
        {"end collection without collection", with({0xC0, 0xC0})},
        {"pop without push", with({0xB4, 0xC0})},
        {"huge report count",
         with({0x75, 0x08, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x09, 0x30, 0x81, 0x02, 0xC0})},
        {"report longer than the bound",
         with({0x75, 0x80, 0x96, 0x00, 0x04, 0x09, 0x30, 0x81, 0x02, 0xC0})},
        {"absurd report size", with({0x76, 0x00, 0x10, 0x95, 0x01, 0x81, 0x02, 0xC0})},
        {"report ID 0", with({0x85, 0x00, 0xC0})},
        {"usage minimum above maximum", with({0x19, 0x05, 0x29, 0x01, 0xC0})},
        {"main item outside a collection", {0x75, 0x08, 0x95, 0x01, 0x81, 0x02}},
        {"no top-level collection", {0x05, 0x01, 0x09, 0x04, 0x75, 0x08}},
        {"delimiter left open", with({0xA9, 0x01, 0x09, 0x30, 0x81, 0x02, 0xC0})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(parse_error(c.bytes).empty());
    }

    ReportDescriptor out;
    std::string error;
    EXPECT_FALSE(panelink::hid::parse_report_descriptor(nullptr, 0, out, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(panelink::hid::parse_report_descriptor(kJoystick.data(), 0, out));

    Bytes deep;
    for (int i = 0; i < 100; ++i) {
        deep.insert(deep.end(), {0xA1, 0x00});
    }
    deep.insert(deep.end(), 100, 0xC0);
    EXPECT_FALSE(parse_error(deep).empty());
    Bytes pushes = with({});
    pushes.insert(pushes.end(), 100, 0xA4);
    EXPECT_FALSE(parse_error(pushes).empty());
}

TEST(ReportDescriptor, EveryCutOfAValidDescriptorIsRefused) {
    for (const Bytes *full : {&kVendorBoard, &kJoystick, &kReportIds, &kKeyboard}) {
        for (size_t length = 0; length < full->size(); ++length) {
            // An exact-size copy, so a read past `length` shows under the address sanitizer.
            const Bytes cut(full->begin(), full->begin() + static_cast<long>(length));
            ReportDescriptor out;
            EXPECT_FALSE(panelink::hid::parse_report_descriptor(cut.data(), cut.size(), out))
                << "cut at " << length;
        }
    }
}

TEST(ReportDescriptor, ScrambledDescriptorsNeverBreakTheParser) {
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    };
    Bytes report(65);
    DataItem items[256];
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes = round % 2 == 0 ? kJoystick : kKeyboard;
        for (int flips = 1 + static_cast<int>(next() % 4); flips > 0; --flips) {
            bytes[next() % bytes.size()] = static_cast<uint8_t>(next());
        }
        ReportDescriptor out;
        if (!panelink::hid::parse_report_descriptor(bytes.data(), bytes.size(), out)) {
            continue;
        }
        for (const Collection &c : out.collections) {
            for (uint8_t &b : report) {
                b = static_cast<uint8_t>(next());
            }
            report[0] = 0;
            const size_t length = next() % report.size();
            const Bytes exact(report.begin(), report.begin() + static_cast<long>(length));
            EXPECT_LE(c.input_data(exact.data(), exact.size(), items, 256), 256u);
        }
    }
}

} // namespace
