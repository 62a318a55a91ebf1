#include <gtest/gtest.h>

#include "hex.h"

namespace panelink::board_models {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(Hex, WritesTwoLowerCaseDigitsPerByte) {
    const uint8_t bytes[] = {0x00, 0x0F, 0xA1, 0xFF};
    EXPECT_EQ(to_hex(bytes, sizeof bytes), "00 0f a1 ff");
    EXPECT_EQ(to_hex(bytes, 0), "");
}

TEST(Hex, ReadsBytesInTheUsualSpellings) {
    const struct {
        const char *text;
        std::optional<Bytes> bytes;
    } cases[] = {
        {"06 00 ff", Bytes{0x06, 0x00, 0xFF}},
        {"0600FF", Bytes{0x06, 0x00, 0xFF}},
        {"0x06,0x00,0xFF", Bytes{0x06, 0x00, 0xFF}},
        {"0x0600 ff", Bytes{0x06, 0x00, 0xFF}},
        {"a1:B2\tc3", Bytes{0xA1, 0xB2, 0xC3}},
        {"  ", Bytes{}},
        {"6 00", std::nullopt},    // odd number of digits
        {"0x6", std::nullopt},     // the same behind a prefix
        {"0x", std::nullopt},      // a prefix alone
        {"06 0g", std::nullopt},   // not a digit
        {"06-07", std::nullopt},   // not a separator
        {"06 00 f", std::nullopt}, // a last half byte
    };
    for (const auto &c : cases) {
        EXPECT_EQ(parse_hex_bytes(c.text), c.bytes) << "'" << c.text << "'";
    }
}

TEST(Hex, ReadsNumbersWithinTheirRange) {
    const struct {
        const char *text;
        unsigned long max;
        std::optional<unsigned long> value;
    } cases[] = {
        {"0x12DA", 0xFFFF, 0x12DA},
        {"4826", 0xFFFF, 4826},
        {"0xffff", 0xFFFF, 0xFFFF},
        {"0x10000", 0xFFFF, {}},
        {"65536", 0xFFFF, {}},
        {"", 0xFFFF, {}},
        {"0x", 0xFFFF, {}},
        {"-1", 0xFFFF, {}},
        {"12a", 0xFFFF, {}},
        {"0", 0, 0UL},
        {"1", 0, {}},
        {" 1", 10, {}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(parse_number(c.text, c.max), c.value) << "'" << c.text << "'";
    }
}

} // namespace
} // namespace panelink::board_models
