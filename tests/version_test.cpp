// The version query: panelink_version() against the project version the build was configured
// with (PANELINK_PROJECT_VERSION and its three numbers, passed in by tests/CMakeLists.txt from
// CMake's PROJECT_VERSION), its "MAJOR.MINOR.PATCH" form, and the stability of the text it
// returns.
#include <cctype>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <panelink/panelink.h>

namespace panelink::test {
namespace {

// True when `text` is three decimal numbers joined by dots, without signs, spaces or leading
// zeros, and nothing before or after.
bool is_major_minor_patch(const std::string &text) {
    int numbers = 0;
    size_t start = 0;
    while (true) {
        const size_t dot = text.find('.', start);
        const std::string number = text.substr(start, dot == std::string::npos ? dot : dot - start);
        if (number.empty() || (number.size() > 1 && number[0] == '0'))
            return false;
        for (const char c : number)
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return false;
        ++numbers;
        if (dot == std::string::npos)
            return numbers == 3;
        start = dot + 1;
    }
}

// The form check itself, so that a text it wrongly lets through cannot make the next case pass.
TEST(Version, FormCheckTellsMajorMinorPatchFromOtherTexts) {
    const struct {
        const char *text;
        bool wanted;
    } cases[] = {
        {"1.0.0", true},    {"12.34.567", true},  {"0.0.1", true},   {"1.0", false},
        {"1.0.0.0", false}, {"1.0.0 ", false},    {" 1.0.0", false}, {"1..0", false},
        {"1.0.", false},    {".1.0", false},      {"1.+0.0", false}, {"1.00.0", false},
        {"v1.0.0", false},  {"1.0.0-rc1", false}, {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(is_major_minor_patch(c.text), c.wanted) << '"' << c.text << '"';
}

TEST(Version, TextIsTheProjectVersionAsMajorMinorPatch) {
    const char *text = panelink_version();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, PANELINK_PROJECT_VERSION);
    EXPECT_TRUE(is_major_minor_patch(text)) << '"' << text << '"';
}

// A caller compares the loaded library's text with the header it compiled against: the header's
// numbers must be the project's.
TEST(Version, HeaderNumbersAreTheProjectVersion) {
    EXPECT_EQ(PANELINK_VERSION_MAJOR, PANELINK_PROJECT_VERSION_MAJOR);
    EXPECT_EQ(PANELINK_VERSION_MINOR, PANELINK_PROJECT_VERSION_MINOR);
    EXPECT_EQ(PANELINK_VERSION_PATCH, PANELINK_PROJECT_VERSION_PATCH);
}

// The text is static: a pointer kept from the first call still reads the same text after many
// more calls, from this thread and from others, and every call returns that same text.
TEST(Version, TextStaysTheSameAcrossCallsAndThreads) {
    const char *first = panelink_version();
    ASSERT_NE(first, nullptr);
    const std::string kept = first;

    std::vector<std::string> seen;
    for (int i = 0; i < 100; ++i)
        seen.emplace_back(panelink_version());
    std::vector<std::string> from_threads(4);
    std::vector<std::thread> threads;
    for (std::string &text : from_threads)
        threads.emplace_back([&text] { text = panelink_version(); });
    for (std::thread &thread : threads)
        thread.join();
    seen.insert(seen.end(), from_threads.begin(), from_threads.end());

    for (const std::string &text : seen)
        EXPECT_EQ(text, kept);
    EXPECT_EQ(std::string(first), kept) << "the first call's text changed";
    EXPECT_EQ(panelink_version(), first) << "a call returned other storage";
}

} // namespace
} // namespace panelink::test
