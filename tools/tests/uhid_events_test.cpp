#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "uhid_events.h"

namespace panelink::uhid {
namespace {

std::vector<uint8_t> bytes_of(const uhid_event &event, size_t length = sizeof(uhid_event)) {
    const auto *start = reinterpret_cast<const uint8_t *>(&event);
    return std::vector<uint8_t>(start, start + length);
}

uhid_event zeroed(uint32_t type) {
    uhid_event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    return event;
}

Identity board_identity() {
    Identity identity;
    identity.vendor = 0x12DA;
    identity.product = 0x0910;
    identity.version = 0x0100;
    identity.name = "Zephyr-Lite";
    identity.uniq = "D0910-01";
    identity.phys = "panelink-uhid-1-0/input1";
    identity.descriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0xC0};
    return identity;
}

TEST(UhidCreate, CarriesTheIdentityInItsFields) {
    uhid_event event;
    std::string error;
    const Identity identity = board_identity();
    ASSERT_TRUE(encode_create(identity, event, error)) << error;
    EXPECT_EQ(event.type, static_cast<uint32_t>(UHID_CREATE2));
    const uhid_create2_req &request = event.u.create2;
    EXPECT_STREQ(reinterpret_cast<const char *>(request.name), "Zephyr-Lite");
    EXPECT_STREQ(reinterpret_cast<const char *>(request.uniq), "D0910-01");
    EXPECT_STREQ(reinterpret_cast<const char *>(request.phys), "panelink-uhid-1-0/input1");
    EXPECT_EQ(request.bus, 0x03);
    EXPECT_EQ(request.vendor, 0x12DAu);
    EXPECT_EQ(request.product, 0x0910u);
    EXPECT_EQ(request.version, 0x0100u);
    ASSERT_EQ(request.rd_size, identity.descriptor.size());
    EXPECT_EQ(std::vector<uint8_t>(request.rd_data, request.rd_data + request.rd_size),
              identity.descriptor);
    EXPECT_EQ(request.rd_data[request.rd_size], 0); // nothing of an earlier use left behind
}

TEST(UhidCreate, RefusesWhatTheKernelFieldsCannotHold) {
    struct Case {
        const char *what;
        void (*change)(Identity &);
        bool accepted;
    };
    const Case cases[] = {
        {"name of 127 bytes", [](Identity &i) { i.name.assign(127, 'n'); }, true},
        {"name of 128 bytes", [](Identity &i) { i.name.assign(128, 'n'); }, false},
        {"phys of 63 bytes", [](Identity &i) { i.phys.assign(63, 'p'); }, true},
        {"phys of 64 bytes", [](Identity &i) { i.phys.assign(64, 'p'); }, false},
        {"serial of 64 bytes", [](Identity &i) { i.uniq.assign(64, 'u'); }, false},
        {"empty descriptor", [](Identity &i) { i.descriptor.clear(); }, false},
        {"largest descriptor",
         [](Identity &i) { i.descriptor.assign(HID_MAX_DESCRIPTOR_SIZE, 0xC0); }, true},
        {"descriptor one byte too long",
         [](Identity &i) { i.descriptor.assign(HID_MAX_DESCRIPTOR_SIZE + 1, 0xC0); }, false},
    };
    for (const Case &c : cases) {
        Identity identity = board_identity();
        c.change(identity);
        uhid_event event;
        std::string error;
        EXPECT_EQ(encode_create(identity, event, error), c.accepted) << c.what;
        EXPECT_EQ(error.empty(), c.accepted) << c.what << ": " << error;
    }
}

TEST(UhidInput, HoldsOneToTheLargestReport) {
    struct Case {
        size_t length;
        bool accepted;
    };
    const Case cases[] = {
        {0, false}, {1, true}, {64, true}, {UHID_DATA_MAX, true}, {UHID_DATA_MAX + 1, false}};
    std::vector<uint8_t> data(UHID_DATA_MAX + 1);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    for (const Case &c : cases) {
        uhid_event event;
        std::string error;
        ASSERT_EQ(encode_input(data.data(), c.length, event, error), c.accepted) << c.length;
        if (c.accepted) {
            EXPECT_EQ(event.type, static_cast<uint32_t>(UHID_INPUT2));
            ASSERT_EQ(event.u.input2.size, c.length);
            EXPECT_EQ(0, std::memcmp(event.u.input2.data, data.data(), c.length)) << c.length;
        }
    }
}

TEST(UhidReplies, CarryIdErrorAndData) {
    const uint8_t data[] = {0x00, 0x25, 0x05, 0xFF, 0x09};
    uhid_event event;
    std::string error;
    ASSERT_TRUE(encode_get_report_reply(0xA1B2C3D4, 0, data, sizeof data, event, error));
    EXPECT_EQ(event.type, static_cast<uint32_t>(UHID_GET_REPORT_REPLY));
    EXPECT_EQ(event.u.get_report_reply.id, 0xA1B2C3D4u);
    EXPECT_EQ(event.u.get_report_reply.err, 0);
    ASSERT_EQ(event.u.get_report_reply.size, sizeof data);
    EXPECT_EQ(0, std::memcmp(event.u.get_report_reply.data, data, sizeof data));

    ASSERT_TRUE(encode_get_report_reply(7, 5, nullptr, 0, event, error)); // an error, no data
    EXPECT_EQ(event.u.get_report_reply.err, 5);
    EXPECT_EQ(event.u.get_report_reply.size, 0);
    EXPECT_FALSE(encode_get_report_reply(7, 0, data, UHID_DATA_MAX + 1, event, error));

    encode_set_report_reply(42, 32, event);
    EXPECT_EQ(event.type, static_cast<uint32_t>(UHID_SET_REPORT_REPLY));
    EXPECT_EQ(event.u.set_report_reply.id, 42u);
    EXPECT_EQ(event.u.set_report_reply.err, 32);

    encode_destroy(event);
    EXPECT_EQ(event.type, static_cast<uint32_t>(UHID_DESTROY));
}

TEST(UhidDecode, NamesEveryEventType) {
    const struct {
        uint32_t raw;
        EventType type;
    } cases[] = {
        {UHID_START, EventType::Start},
        {UHID_STOP, EventType::Stop},
        {UHID_OPEN, EventType::Open},
        {UHID_CLOSE, EventType::Close},
        {UHID_OUTPUT, EventType::Output},
        {UHID_GET_REPORT, EventType::GetReport},
        {UHID_SET_REPORT, EventType::SetReport},
        {UHID_DESTROY, EventType::Other},
        {UHID_INPUT2, EventType::Other},
        {0xFFFF, EventType::Other},
    };
    for (const auto &c : cases) {
        const std::vector<uint8_t> bytes = bytes_of(zeroed(c.raw));
        Event event;
        event.data = {1, 2, 3}; // left over from an earlier event
        ASSERT_TRUE(decode_event(bytes.data(), bytes.size(), event)) << c.raw;
        EXPECT_EQ(event.type, c.type) << c.raw;
        EXPECT_TRUE(event.data.empty()) << c.raw;
    }
}

TEST(UhidDecode, OutputReportKeepsItsTypeAndBytes) {
    uhid_event raw = zeroed(UHID_OUTPUT);
    const uint8_t report[] = {0x00, 0x0F, 0x01, 0x00, 0x1C, 0x02, 0x29, 0x42, 0x00, 0xAA};
    std::memcpy(raw.u.output.data, report, sizeof report);
    raw.u.output.size = sizeof report;
    raw.u.output.rtype = UHID_OUTPUT_REPORT;
    const std::vector<uint8_t> bytes = bytes_of(raw);
    Event event;
    ASSERT_TRUE(decode_event(bytes.data(), bytes.size(), event));
    EXPECT_EQ(event.type, EventType::Output);
    EXPECT_EQ(event.report_type, UHID_OUTPUT_REPORT);
    EXPECT_EQ(event.data, std::vector<uint8_t>(report, report + sizeof report));
}

TEST(UhidDecode, OutputSizeBeyondTheDataFieldIsCut) {
    uhid_event raw = zeroed(UHID_OUTPUT);
    raw.u.output.size = UHID_DATA_MAX + 100;
    const std::vector<uint8_t> bytes = bytes_of(raw);
    Event event;
    ASSERT_TRUE(decode_event(bytes.data(), bytes.size(), event));
    EXPECT_EQ(event.data.size(), static_cast<size_t>(UHID_DATA_MAX));
}

TEST(UhidDecode, ReportRequestsCarryIdNumberAndType) {
    uhid_event get = zeroed(UHID_GET_REPORT);
    get.u.get_report.id = 0x01020304;
    get.u.get_report.rnum = 5;
    get.u.get_report.rtype = UHID_FEATURE_REPORT;
    std::vector<uint8_t> bytes = bytes_of(get);
    Event event;
    ASSERT_TRUE(decode_event(bytes.data(), bytes.size(), event));
    EXPECT_EQ(event.type, EventType::GetReport);
    EXPECT_EQ(event.id, 0x01020304u);
    EXPECT_EQ(event.report_number, 5);
    EXPECT_EQ(event.report_type, UHID_FEATURE_REPORT);

    uhid_event set = zeroed(UHID_SET_REPORT);
    set.u.set_report.id = 99;
    set.u.set_report.rnum = 2;
    set.u.set_report.rtype = UHID_OUTPUT_REPORT;
    set.u.set_report.size = 3;
    set.u.set_report.data[0] = 0x02;
    set.u.set_report.data[1] = 0x10;
    set.u.set_report.data[2] = 0x20;
    bytes = bytes_of(set);
    ASSERT_TRUE(decode_event(bytes.data(), bytes.size(), event));
    EXPECT_EQ(event.type, EventType::SetReport);
    EXPECT_EQ(event.id, 99u);
    EXPECT_EQ(event.report_number, 2);
    EXPECT_EQ(event.report_type, UHID_OUTPUT_REPORT);
    EXPECT_EQ(event.data, (std::vector<uint8_t>{0x02, 0x10, 0x20}));
}

TEST(UhidDecode, ShortReadsGiveOnlyTheBytesThatCame) {
    uhid_event set = zeroed(UHID_SET_REPORT);
    set.u.set_report.size = 10;
    for (uint8_t i = 0; i < 10; ++i) {
        set.u.set_report.data[i] = static_cast<uint8_t>(0x50 + i);
    }
    // The read ended four bytes into the data: the size field claims more than arrived.
    const size_t data_offset = offsetof(uhid_event, u) + offsetof(uhid_set_report_req, data);
    const std::vector<uint8_t> bytes = bytes_of(set, data_offset + 4);
    Event event;
    ASSERT_TRUE(decode_event(bytes.data(), bytes.size(), event));
    EXPECT_EQ(event.data, (std::vector<uint8_t>{0x50, 0x51, 0x52, 0x53}));

    const std::vector<uint8_t> start = bytes_of(zeroed(UHID_START), 4);
    ASSERT_TRUE(decode_event(start.data(), start.size(), event));
    EXPECT_EQ(event.type, EventType::Start);
    EXPECT_FALSE(decode_event(start.data(), 3, event));
}

} // namespace
} // namespace panelink::uhid
