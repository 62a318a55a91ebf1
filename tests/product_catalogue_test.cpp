// The product catalogue as the detection modes, the record filler and status retrieval read it:
// mode membership and traits of a few representative products. (The rows themselves are checked
// for consistency when the library is compiled; enumeration_test finds each mode's products
// through DetectHID.)
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include <panelink/panelink.h>

#include "detection_modes.h"
#include "product_catalogue.h"

namespace panelink::catalogue {
namespace {

// The detection modes that accept `product_id`, as the mode values DetectHID takes.
std::string accepting_modes(uint32_t product_id) {
    const std::pair<int32_t, const char *> modes[] = {
        {PANELINK_MODE_FLASH, "flash"},       {PANELINK_MODE_DEVICES, "devices"},
        {PANELINK_MODE_REPORT, "report"},     {PANELINK_MODE_ALL_DEVICES, "all-devices"},
        {PANELINK_MODE_STANDARD, "standard"},
    };
    std::string names;
    for (const auto &[value, name] : modes) {
        if (accepts_product(detection_mode(value), product_id))
            names += names.empty() ? name : std::string(" ") + name;
    }
    return names;
}

TEST(ProductCatalogue, ModesAcceptTheirProducts) {
    struct Case {
        uint32_t product_id;
        const char *modes;
    };
    const Case cases[] = {
        {0x0800, "report all-devices standard"}, // a report-type board
        {0x0500, "all-devices standard"},        // an input/output board
        {0x0910, "devices standard"},            // not on the all-devices list
        {0x0602, "standard"},                    // a dual adapter
        {0x1000, "flash"},                       // a flashing identity
        {0x1600, "devices standard"},            // with a configuration interface
        {0x0777, ""},                            // a family product the catalogue lacks
        {0x10800, ""},                           // 0x0800 beyond 16 bits
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.product_id);
        EXPECT_EQ(accepting_modes(c.product_id), c.modes);
    }
}

TEST(ProductCatalogue, EveryOtherModeValueIsTheStandardMode) {
    for (int32_t value : {0, 5, 6, 254, 256, -1}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(&detection_mode(value), &detection_mode(PANELINK_MODE_STANDARD));
    }
    EXPECT_TRUE(accepts_product(detection_mode(0), 0x0910));
    EXPECT_FALSE(accepts_product(detection_mode(0), 0x1000));
}

TEST(ProductCatalogue, TraitsOfAFewProducts) {
    EXPECT_TRUE(has_trait(0x0602, kDualAdapter));
    EXPECT_TRUE(has_trait(0x0603, kDualAdapter));
    EXPECT_FALSE(has_trait(0x0600, kDualAdapter));
    EXPECT_FALSE(has_trait(0x0777, kDualAdapter));
    EXPECT_TRUE(has_trait(0x1700, kFlashingIdentity));
    EXPECT_FALSE(has_trait(0x1600, kFlashingIdentity));

    EXPECT_TRUE(find(0x0910)->has_config_interface());
    EXPECT_FALSE(find(0x0900)->has_config_interface());
    EXPECT_EQ(find(0x0777), nullptr);

    EXPECT_EQ(status_protocol(0x0800), StatusProtocol::PortBoard);
    EXPECT_EQ(status_protocol(0x0910), StatusProtocol::ConfigBoard);
    EXPECT_EQ(status_protocol(0x0500), StatusProtocol::None);
    EXPECT_EQ(status_protocol(0x10800), StatusProtocol::None);
}

TEST(ProductCatalogue, LayoutForAProductOutsideTheCatalogueIsZeros) {
    EXPECT_EQ(layout_for(0x0777), LayoutCounts{});
    EXPECT_EQ(layout_for(0x10500), LayoutCounts{});
    EXPECT_EQ(layout_for(0x0500)[0], 256); // InputCount
}

} // namespace
} // namespace panelink::catalogue
