// Compares the report-descriptor parser with what Windows built for real devices. Each device
// in the shared hid-golden folder has its descriptor (NAME.desc.hex) and a dump of Windows'
// preparsed data for one top-level collection (NAME.pp_data), NAME being
// VID_PID_USAGE_USAGEPAGE in hex. Every capability Windows lists must come out the same, in the
// same order, with the same data indices.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "hid/report_descriptor.h"

namespace {

using panelink::hid::Capability;
using panelink::hid::Collection;
using panelink::hid::ReportDescriptor;

const std::filesystem::path kGoldenDir = std::filesystem::path(PANELINK_SHARED_DIR) / "hid-golden";

std::vector<std::string> golden_names() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(kGoldenDir, ec)) {
        const std::string file = entry.path().filename().string();
        const std::string suffix = ".desc.hex";
        if (file.size() > suffix.size() &&
            file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0) {
            names.push_back(file.substr(0, file.size() - suffix.size()));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> read_hex_bytes(const std::filesystem::path &path) {
    std::ifstream in(path);
    std::vector<uint8_t> bytes;
    std::string token;
    while (in >> token) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return bytes;
}

// The dump's `pp_data->KEY = VALUE` lines, keyed by what follows "pp_data->".
std::map<std::string, std::string> read_dump(const std::filesystem::path &path) {
    std::ifstream in(path);
    std::map<std::string, std::string> values;
    std::string line;
    const std::string prefix = "pp_data->";
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (line.rfind(prefix, 0) != 0 || eq == std::string::npos) {
            continue;
        }
        auto trim = [](std::string s) {
            s.erase(0, s.find_first_not_of(" \t\r"));
            s.erase(s.find_last_not_of(" \t\r") + 1);
            return s;
        };
        values[trim(line.substr(prefix.size(), eq - prefix.size()))] = trim(line.substr(eq + 1));
    }
    return values;
}

class Dump {
  public:
    explicit Dump(std::map<std::string, std::string> values) : values_(std::move(values)) {}
    bool has(const std::string &key) const { return values_.count(key) != 0; }
    long number(const std::string &key) const {
        const auto it = values_.find(key);
        if (it == values_.end()) {
            ADD_FAILURE() << "dump has no " << key;
            return -1;
        }
        return std::stol(it->second, nullptr, 0);
    }
    long cap(long index, const std::string &field) const {
        return number("cap[" + std::to_string(index) + "]->" + field);
    }

  private:
    std::map<std::string, std::string> values_;
};

struct Expected {
    uint16_t usage;
    uint16_t usage_page;
};

Expected usage_from_name(const std::string &name) {
    // VID_PID_USAGE_USAGEPAGE
    std::vector<std::string> parts;
    std::stringstream ss(name);
    std::string part;
    while (std::getline(ss, part, '_')) {
        parts.push_back(part);
    }
    if (parts.size() != 4) {
        ADD_FAILURE() << "unexpected golden file name " << name;
        return {0, 0};
    }
    return {static_cast<uint16_t>(std::stoul(parts[2], nullptr, 16)),
            static_cast<uint16_t>(std::stoul(parts[3], nullptr, 16))};
}

// Checks one of our capabilities against Windows' capability `index` of the dump.
void expect_same_cap(const Dump &dump, long index, const Capability &cap) {
    SCOPED_TRACE("Windows cap[" + std::to_string(index) + "]");
    EXPECT_EQ(cap.is_button, dump.cap(index, "IsButtonCap") == 1);
    EXPECT_EQ(cap.is_range, dump.cap(index, "IsRange") == 1);
    EXPECT_EQ(cap.is_absolute, dump.cap(index, "IsAbsolute") == 1);
    EXPECT_EQ(cap.report_id, dump.cap(index, "ReportID"));
    EXPECT_EQ(cap.usage_page, dump.cap(index, "UsagePage"));
    EXPECT_EQ(cap.byte_position, dump.cap(index, "BytePosition"));
    EXPECT_EQ(cap.bit_position, dump.cap(index, "BitPosition"));
    EXPECT_EQ(cap.bit_size, dump.cap(index, "BitSize"));
    EXPECT_EQ(cap.report_count, dump.cap(index, "ReportCount"));
    EXPECT_EQ(cap.bit_field & 0xFF, dump.cap(index, "BitField"));
    EXPECT_EQ(cap.link_collection, dump.cap(index, "LinkCollection"));
    EXPECT_EQ(cap.link_usage, dump.cap(index, "LinkUsage"));
    EXPECT_EQ(cap.link_usage_page, dump.cap(index, "LinkUsagePage"));
    EXPECT_EQ(cap.is_multiple_items_for_array, dump.cap(index, "IsMultipleItemsForArray") == 1);
    if (cap.is_range) {
        EXPECT_EQ(cap.usage_min, dump.cap(index, "Range.UsageMin"));
        EXPECT_EQ(cap.usage_max, dump.cap(index, "Range.UsageMax"));
        EXPECT_EQ(cap.data_index_min, dump.cap(index, "Range.DataIndexMin"));
        EXPECT_EQ(cap.data_index_max, dump.cap(index, "Range.DataIndexMax"));
    } else {
        // A single usage fills the range fields with that usage and data index.
        EXPECT_EQ(cap.usage_min, dump.cap(index, "NotRange.Usage"));
        EXPECT_EQ(cap.usage_max, dump.cap(index, "NotRange.Usage"));
        EXPECT_EQ(cap.data_index_min, dump.cap(index, "NotRange.DataIndex"));
        EXPECT_EQ(cap.data_index_max, dump.cap(index, "NotRange.DataIndex"));
    }
}

class HidGolden : public testing::TestWithParam<std::string> {};

TEST_P(HidGolden, ParserMatchesWindows) {
    const std::string name = GetParam();
    const std::vector<uint8_t> descriptor = read_hex_bytes(kGoldenDir / (name + ".desc.hex"));
    const Dump dump(read_dump(kGoldenDir / (name + ".pp_data")));
    ASSERT_FALSE(descriptor.empty());
    ASSERT_TRUE(dump.has("Usage")) << "no dump for " << name;

    ReportDescriptor parsed;
    std::string error;
    ASSERT_TRUE(panelink::hid::parse_report_descriptor(descriptor.data(), descriptor.size(), parsed,
                                                       &error))
        << error;

    const Expected wanted = usage_from_name(name);
    const auto found =
        std::find_if(parsed.collections.begin(), parsed.collections.end(), [&](const auto &c) {
            return c.usage == wanted.usage && c.usage_page == wanted.usage_page;
        });
    ASSERT_NE(found, parsed.collections.end()) << "no top-level collection named by " << name;
    const Collection &collection = *found;

    EXPECT_EQ(collection.usage, dump.number("Usage"));
    EXPECT_EQ(collection.usage_page, dump.number("UsagePage"));
    const uint16_t lengths[3] = {collection.input_report_byte_length,
                                 collection.output_report_byte_length,
                                 collection.feature_report_byte_length};
    for (int type = 0; type < 3; ++type) {
        SCOPED_TRACE("report type " + std::to_string(type));
        const std::string info = "caps_info[" + std::to_string(type) + "]->";
        EXPECT_EQ(lengths[type], dump.number(info + "ReportByteLength"));
        const long first = dump.number(info + "FirstCap");
        // Windows keeps the padding of a report among its capabilities (NumberOfCaps counts
        // it) but exposes only those from FirstCap up to LastCap.
        const long number = dump.number(info + "LastCap") - first;
        const std::vector<Capability> &caps = collection.caps[type];
        ASSERT_EQ(caps.size(), static_cast<size_t>(number));
        for (long i = 0; i < number; ++i) {
            expect_same_cap(dump, first + i, caps[static_cast<size_t>(i)]);
        }
    }

    // What the library asks for: the input button capabilities, in Windows' order.
    const long first_input = dump.number("caps_info[0]->FirstCap");
    const long input_caps = dump.number("caps_info[0]->LastCap") - first_input;
    std::vector<long> windows_buttons;
    for (long i = first_input; i < first_input + input_caps; ++i) {
        if (dump.cap(i, "IsButtonCap") == 1) {
            windows_buttons.push_back(i);
        }
    }
    std::vector<Capability> buttons(windows_buttons.size() + 1);
    ASSERT_EQ(collection.number_input_button_caps(), windows_buttons.size());
    ASSERT_EQ(collection.input_button_caps(buttons.data(), buttons.size()), windows_buttons.size());
    for (size_t i = 0; i < windows_buttons.size(); ++i) {
        expect_same_cap(dump, windows_buttons[i], buttons[i]);
    }
}

std::string test_name(const testing::TestParamInfo<std::string> &info) {
    return info.param;
}

INSTANTIATE_TEST_SUITE_P(Devices, HidGolden, testing::ValuesIn(golden_names()), test_name);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(HidGolden);

// Without the folder no case above is instantiated, and the program would pass having compared
// nothing: its absence (or an empty folder) is a failure of its own.
TEST(HidGoldenFolder, HasDevices) {
    ASSERT_TRUE(std::filesystem::is_directory(kGoldenDir))
        << "the captured Windows parse results are missing: no folder " << kGoldenDir.string()
        << " (PANELINK_SHARED_DIR/hid-golden)";
    EXPECT_FALSE(golden_names().empty()) << "no NAME.desc.hex in " << kGoldenDir.string();
}

} // namespace
