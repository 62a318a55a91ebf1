// The version query: the text panelink_version returns and the header's numbers.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>
#include <panelink/panelink.h>

namespace panelink::test {
namespace {

TEST(Version, TextIsTheHeaderNumbersJoinedWithDots) {
    const char *text = panelink_version();
    ASSERT_NE(text, nullptr);
    const std::string wanted = std::to_string(PANELINK_VERSION_MAJOR) + "." +
                               std::to_string(PANELINK_VERSION_MINOR) + "." +
                               std::to_string(PANELINK_VERSION_PATCH);
    EXPECT_EQ(std::string(text), wanted);
}

TEST(Version, TextHasThreeNumbersAndNothingElse) {
    const std::string text = panelink_version();
    int major = -1, minor = -1, patch = -1, used = 0;
    ASSERT_EQ(std::sscanf(text.c_str(), "%d.%d.%d%n", &major, &minor, &patch, &used), 3) << text;
    EXPECT_EQ(static_cast<size_t>(used), text.size()) << text;
    EXPECT_EQ(major, PANELINK_VERSION_MAJOR);
    EXPECT_EQ(minor, PANELINK_VERSION_MINOR);
    EXPECT_EQ(patch, PANELINK_VERSION_PATCH);
}

TEST(Version, TextIsStaticAcrossCalls) {
    EXPECT_EQ(panelink_version(), panelink_version());
}

} // namespace
} // namespace panelink::test
