// The record's texts are read by their length fields, never past them nor past their fields.
#include <clocale>
#include <cstring>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "record_text.h"

namespace {

using panelink::cli::field_text;
using panelink::cli::locale_to_utf8;
using panelink::cli::record_texts;

struct FieldCase {
    const char *name;
    std::string bytes; // the field's whole contents
    int64_t length;
    std::string expected;
};

void PrintTo(const FieldCase &c, std::ostream *out) {
    *out << c.name;
}

class FieldText : public testing::TestWithParam<FieldCase> {};

TEST_P(FieldText, ReadsByLength) {
    const FieldCase &c = GetParam();
    EXPECT_EQ(field_text(c.bytes.data(), c.bytes.size(), c.length), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, FieldText,
    testing::Values(FieldCase{"exact", std::string("ABCD\0\0\0\0", 8), 4, "ABCD"},
                    FieldCase{"shorter", "ABCDEFGH", 3, "ABC"},
                    FieldCase{"zero", "ABCDEFGH", 0, ""}, FieldCase{"negative", "ABCDEFGH", -7, ""},
                    FieldCase{"beyond_field", "ABCDEFGH", 9, "ABCDEFGH"},
                    FieldCase{"huge", "ABCDEFGH", INT64_MAX, "ABCDEFGH"},
                    FieldCase{"zero_inside", std::string("AB\0DEFGH", 8), 8, "AB"},
                    FieldCase{"full_unterminated", "ABCDEFGH", 8, "ABCDEFGH"}),
    [](const testing::TestParamInfo<FieldCase> &info) { return std::string(info.param.name); });

// Garbage lengths in a whole record: each text stops at its own field, whatever follows it.
TEST(RecordTexts, GarbageLengthsStopAtTheirFields) {
    DeviceRecord record;
    std::memset(&record, 'x', sizeof record);
    std::memset(record.ProductName, 'P', sizeof record.ProductName);
    std::memset(record.Manufacturer, 'M', sizeof record.Manufacturer);
    std::memcpy(record.SerialNumber, "S12\0", 4);
    std::memset(record.DevicePath, '/', sizeof record.DevicePath);
    record.ProductNameLength = 100000;
    record.ManufacturerLength = -1;
    record.SerialNumberLength = 2000000000;
    record.DevicePathLength = 0xFFFFFFFF;
    const auto texts = record_texts(record);
    EXPECT_EQ(texts.product, std::string(256, 'P'));
    EXPECT_EQ(texts.manufacturer, "");
    EXPECT_EQ(texts.serial, "S12");
    EXPECT_EQ(texts.path, std::string(256, '/'));
}

// In the C locale only ASCII is text: other bytes become U+FFFD, so JSON stays valid UTF-8.
TEST(LocaleToUtf8, CLocale) {
    std::setlocale(LC_CTYPE, "C");
    EXPECT_EQ(locale_to_utf8("Board 1"), "Board 1");
    EXPECT_EQ(locale_to_utf8("caf\xE9"), "caf\xEF\xBF\xBD");
}

TEST(LocaleToUtf8, Utf8Locale) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    EXPECT_EQ(locale_to_utf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(locale_to_utf8("cut \xC3"), "cut \xEF\xBF\xBD");
    std::setlocale(LC_CTYPE, "C");
}

} // namespace
