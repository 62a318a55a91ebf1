// Enumeration: the walk over virtual boards, the records it fills and the log it writes.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "backends/platform.h"
#include "handle_table.h"
#include "support/sim_boards.h"

namespace panelink::test {
namespace {

constexpr const char *kAllLog = "panelink_all.log";
constexpr const char *kHeader = "\n\nPANELINK initialization!\n\nFlash : 255\n";

// The log lines of one accepted board with the default texts, in standard mode.
std::string accepted_lines(uint16_t product_id) {
    char found[64];
    std::snprintf(found, sizeof found, "\nFound VendorID 0x12da\nFound ProductID 0x%x\n",
                  product_id);
    return std::string(found) +
           "Manufacturer Name : Maker\nDevice Product Name : Board\nCFG_TYPE : DT_STANDARD\n";
}

class EnumerationTest : public SimBoardsTest {
  protected:
    // Room for one more record than enumeration may fill: the last one shows that enumeration
    // writes nothing past its 128 records.
    std::vector<DeviceRecord> records = std::vector<DeviceRecord>(PANELINK_MAX_DEVICES + 1);
    int32_t count = -1;

    int32_t detect(int32_t mode = PANELINK_MODE_STANDARD) {
        return DetectHID(&count, records.data(), mode);
    }
    void close_all() {
        if (count > 0)
            CloseDevices(static_cast<uint32_t>(count), records.data());
    }
};

TEST_F(EnumerationTest, AcceptedBoardGetsRecordAndExactLog) {
    add_board(0x0500);

    EXPECT_EQ(detect(), 1);
    ASSERT_EQ(count, 1);
    EXPECT_NE(records[0].Handle, 0u);
    EXPECT_EQ(records[0].ProductID, 0x0500);
    EXPECT_EQ(read_file(kAllLog),
              kHeader + accepted_lines(0x0500) + "\nNum Devices Detected : 1\n");
    close_all();
}

TEST_F(EnumerationTest, NoFamilyBoardGivesCountZeroAndSaysSo) {
    add_board(0x0500, {}, 0x046D); // another maker: not even logged

    EXPECT_EQ(detect(), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(read_file(kAllLog), std::string(kHeader) + "\nNum Devices Detected : 0\n");
}

TEST_F(EnumerationTest, BothFamilyVendorIdsAreTaken) {
    add_board(0x0300, {}, 0x12DA);
    add_board(0x0700, {}, 0x6666);

    EXPECT_EQ(detect(), 1);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(records[0].VendorID, 0x12DA);
    EXPECT_EQ(records[1].VendorID, 0x6666);
    EXPECT_NE(read_file(kAllLog).find("\nFound VendorID 0x6666\nFound ProductID 0x700\n"),
              std::string::npos);
    close_all();
}

// Every detection mode: its accepted products, its log file and its "not found" message.
struct ModeCase {
    int32_t mode;
    const char *log_file;
    const char *not_found;
    const char *config_type_line; // what the record filler logs for the mode's CFG_TYPE
    std::vector<uint16_t> accepted;
    bool config_paths; // the mode keeps configuration interfaces only
};

const std::vector<uint16_t> kStandardList = {0x0100, 0x0200, 0x0250, 0x0300, 0x0400, 0x0500, 0x0510,
                                             0x0520, 0x0600, 0x0601, 0x0602, 0x0603, 0x0700, 0x0710,
                                             0x0800, 0x0900, 0x0910, 0x0920, 0x1500, 0x1600};

const ModeCase kModeCases[] = {
    {1,
     "panelink_flash.log",
     "DT_FLASH - not found!\n",
     "CFG_TYPE : DT_FLASH\n",
     {0x1000, 0x1010, 0x1100, 0x1110, 0x1200, 0x1300, 0x1400, 0x1700},
     false},
    {2,
     "panelink_dev.log",
     "DT_DEVICES - not found!\n",
     "CFG_TYPE : DT_DEVICES\n",
     {0x0510, 0x0520, 0x0710, 0x0910, 0x0920, 0x1600},
     true},
    {3,
     "panelink_all.log",
     "DT_REPORT - not found!\n",
     "CFG_TYPE : DT_REPORT\n",
     {0x0800, 0x1500},
     false},
    {4,
     "panelink_all.log",
     "ALL_DEVICES - not found!\n",
     "CFG_TYPE : DT_STANDARD\n",
     {0x0300, 0x0500, 0x0510, 0x0520, 0x0700, 0x0710, 0x0800, 0x1500},
     false},
    {0, "panelink_all.log", "ALL_DEVICES - not found!\n", "CFG_TYPE : DT_STANDARD\n", kStandardList,
     false},
    {5, "panelink_all.log", "ALL_DEVICES - not found!\n", "CFG_TYPE : DT_STANDARD\n", kStandardList,
     false},
    {255, "panelink_all.log", "ALL_DEVICES - not found!\n", "CFG_TYPE : DT_STANDARD\n",
     kStandardList, false},
    {-1, "panelink_all.log", "ALL_DEVICES - not found!\n", "CFG_TYPE : DT_STANDARD\n",
     kStandardList, false},
};

size_t occurrences(const std::string &text, const std::string &part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST_F(EnumerationTest, EachModeAcceptsItsListAndLogsTheRest) {
    std::vector<uint16_t> every_product = kStandardList;
    for (uint16_t id : kModeCases[0].accepted)
        every_product.push_back(id);
    every_product.push_back(0x0777); // a family product no mode knows

    for (const ModeCase &mode : kModeCases) {
        SCOPED_TRACE(mode.mode);
        panelink_sim_reset();
        for (uint16_t id : every_product)
            add_board(id, board_path(PANELINK_VENDOR_ID_B, id, mode.config_paths),
                      PANELINK_VENDOR_ID_B);
        remove_file(mode.log_file);

        EXPECT_EQ(detect(mode.mode), 1);
        std::vector<uint16_t> found;
        for (int32_t i = 0; i < count; ++i)
            found.push_back(records[i].ProductID);
        EXPECT_EQ(found, mode.accepted);

        const std::string log = read_file(mode.log_file);
        EXPECT_EQ(
            log.rfind("\n\nPANELINK initialization!\n\nFlash : " + std::to_string(mode.mode) + "\n",
                      0),
            0u);
        EXPECT_EQ(occurrences(log, mode.not_found), every_product.size() - mode.accepted.size());
        EXPECT_EQ(occurrences(log, "\nFound VendorID 0x6666\n"), every_product.size());
        // Each accepted interface is filled with the mode's configuration type, and kept.
        EXPECT_EQ(occurrences(log, "CFG_TYPE : "), mode.accepted.size());
        EXPECT_EQ(occurrences(log, mode.config_type_line), mode.accepted.size());
        EXPECT_EQ(occurrences(log, "GetDevParam return FALSE"), 0u);
        EXPECT_TRUE(log.ends_with(
            "\nNum Devices Detected : " + std::to_string(mode.accepted.size()) + "\n"));
        close_all();
    }
}

TEST_F(EnumerationTest, ProductOutsideListLogsFoundLinesThenNotFound) {
    add_board(0x0100);

    EXPECT_EQ(detect(PANELINK_MODE_REPORT), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(read_file(kAllLog), "\n\nPANELINK initialization!\n\nFlash : 3\n"
                                  "\nFound VendorID 0x12da\nFound ProductID 0x100\n"
                                  "DT_REPORT - not found!\n"
                                  "\nNum Devices Detected : 0\n");
    EXPECT_EQ(open_device_count(), 0u);
}

TEST_F(EnumerationTest, RejectedInterfaceIsClosedLoggedAndItsRecordReused) {
    add_board(0x0910, board_path(0x12DA, 0x0910, true));
    add_board(0x0500);

    EXPECT_EQ(detect(), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(records[0].ProductID, 0x0500);
    EXPECT_EQ(records[0].DeviceIndex, 0);
    EXPECT_EQ(open_device_count(), 1u);
    EXPECT_EQ(read_file(kAllLog), kHeader + accepted_lines(0x0910) +
                                      "ALL_DEVICES - GetDevParam return FALSE\n" +
                                      accepted_lines(0x0500) + "\nNum Devices Detected : 1\n");
    close_all();
}

TEST_F(EnumerationTest, RejectionLeavesTheTriedRecordZeroed) {
    std::memset(records.data(), 0x5A, 2 * sizeof(DeviceRecord));
    add_board(0x0910); // not a configuration interface

    EXPECT_EQ(detect(PANELINK_MODE_DEVICES), 0);
    EXPECT_EQ(count, 0);
    const DeviceRecord zero{};
    EXPECT_EQ(std::memcmp(&records[0], &zero, sizeof zero), 0);
    EXPECT_EQ(reinterpret_cast<const uint8_t *>(&records[1])[0], 0x5A); // untouched
    EXPECT_NE(read_file("panelink_dev.log").find("DT_DEVICES - GetDevParam return FALSE\n"),
              std::string::npos);
    EXPECT_EQ(open_device_count(), 0u);
}

TEST_F(EnumerationTest, OpenFailureLogsPathAndErrorThenGoesOn) {
    const std::string path = board_path(0x12DA, 0x0300);
    const int refused = add_board(0x0300, path);
    add_board(0x0500);
    panelink_sim_set_fault(refused, PANELINK_SIM_FAULT_OPEN, -1);

    EXPECT_EQ(detect(), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(records[0].ProductID, 0x0500);
    EXPECT_EQ(read_file(kAllLog), kHeader + path + "CreateFile : INVALID_HANDLE_VALUE\n" +
                                      error_line(access_denied_code()) + accepted_lines(0x0500) +
                                      "\nNum Devices Detected : 1\n");
    close_all();
}

TEST_F(EnumerationTest, DetailAndAttributeFailuresSkipTheInterface) {
    const int no_detail = add_board(0x0300);
    const int no_attributes = add_board(0x0700);
    add_board(0x0500);
    panelink_sim_set_fault(no_detail, PANELINK_SIM_FAULT_DETAIL, 1);
    panelink_sim_set_fault(no_attributes, PANELINK_SIM_FAULT_ATTRIBUTES, 1);

    EXPECT_EQ(detect(), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(records[0].ProductID, 0x0500);
    EXPECT_EQ(read_file(kAllLog), kHeader +
                                      std::string("SetupDiGetDeviceInterfaceDetail : FALSE\n"
                                                  "nHidD_GetAttributes : FALSE\n") +
                                      accepted_lines(0x0500) + "\nNum Devices Detected : 1\n");
    EXPECT_EQ(open_device_count(), 1u); // the interface whose attributes failed was closed
    close_all();
}

TEST_F(EnumerationTest, NoInterfaceSetReturnsZeroWithoutTouchingCount) {
    add_board(0x0500);
    panelink_sim_set_fault(0, PANELINK_SIM_FAULT_ENUMERATION, 1);

    EXPECT_EQ(detect(), 0);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(read_file(kAllLog), kHeader + std::string("hDevInfo : INVALID_HANDLE_VALUE\n") +
                                      error_line(no_interface_set_code()));
}

TEST_F(EnumerationTest, RecordsAreConsecutive848ByteEntriesWithTheirIndex) {
    const uint16_t kProducts[] = {0x0300, 0x0500, 0x0700};
    for (uint16_t id : kProducts)
        add_board(id);

    ASSERT_EQ(detect(), 1);
    ASSERT_EQ(count, 3);
    const auto *bytes = reinterpret_cast<const uint8_t *>(records.data());
    std::set<uint32_t> handles;
    for (int n = 0; n < 3; ++n) {
        uint16_t index = 0, product = 0;
        uint32_t handle = 0;
        std::memcpy(&index, bytes + 848 * n + 838, 2);
        std::memcpy(&product, bytes + 848 * n + 38, 2);
        std::memcpy(&handle, bytes + 848 * n, 4);
        EXPECT_EQ(index, n);
        EXPECT_EQ(product, kProducts[n]);
        EXPECT_TRUE(is_open(handle));
        handles.insert(handle);
    }
    EXPECT_EQ(handles.size(), 3u);
    close_all();
}

TEST_F(EnumerationTest, DetectHIDReplacesTheLogAndDetectDeviceAppends) {
    add_board(0x0500);
    add_board(0x0700);
    {
        std::FILE *old = std::fopen(kAllLog, "w");
        std::fputs("an older log\n", old);
        std::fclose(old);
    }

    ASSERT_EQ(detect(), 1);
    close_all();
    const std::string first = read_file(kAllLog);
    EXPECT_EQ(first.rfind(kHeader, 0), 0u);

    ASSERT_EQ(DetectDevice(&count, records.data(), 0x0700, PANELINK_MODE_STANDARD), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(records[0].ProductID, 0x0700);
    close_all();
    EXPECT_EQ(read_file(kAllLog), first + kHeader +
                                      "\nFound VendorID 0x12da\nFound matching ProductID 0x700\n"
                                      "Manufacturer Name : Maker\nDevice Product Name : Board\n"
                                      "CFG_TYPE : DT_STANDARD\n\nNum Devices Detected : 1\n");
}

// A product ID whose low 16 bits name the board but which has more bits set is no product the
// board has; nor are 0 and 0xFFFF, which must not act as "any product".
TEST_F(EnumerationTest, DetectDeviceBeyondSixteenBitsFindsNothing) {
    add_board(0x0500);
    remove_file(kAllLog); // DetectDevice appends

    std::memset(records.data(), 0xA5, records.size() * sizeof(DeviceRecord));
    const std::vector<DeviceRecord> before = records;
    for (int32_t product :
         {0x10500, -1, 0x7FFF0500, std::numeric_limits<int32_t>::min() | 0x0500, 0, 0xFFFF}) {
        SCOPED_TRACE(product);
        count = -1;
        EXPECT_EQ(DetectDevice(&count, records.data(), product, PANELINK_MODE_STANDARD), 0);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(std::memcmp(records.data(), before.data(), records.size() * sizeof(DeviceRecord)),
                  0)
            << "a record was written although nothing was found";
    }
    EXPECT_EQ(read_file(kAllLog).find("Found"), std::string::npos);
    EXPECT_EQ(open_device_count(), 0u);
}

TEST_F(EnumerationTest, KeepsAtMost128RecordsAndSaysSoOnce) {
    for (int i = 0; i < PANELINK_MAX_DEVICES + 3; ++i)
        add_board(0x0500, board_path(0x12DA, 0x0500, false, i));
    std::memset(&records[PANELINK_MAX_DEVICES], 0xA5, sizeof(DeviceRecord));

    EXPECT_EQ(detect(), 1);
    EXPECT_EQ(count, PANELINK_MAX_DEVICES);
    EXPECT_EQ(records[PANELINK_MAX_DEVICES - 1].DeviceIndex, PANELINK_MAX_DEVICES - 1);
    EXPECT_EQ(reinterpret_cast<const uint8_t *>(&records[PANELINK_MAX_DEVICES])[0], 0xA5);
    EXPECT_EQ(open_device_count(), static_cast<size_t>(PANELINK_MAX_DEVICES));
    const std::string log = read_file(kAllLog);
    EXPECT_EQ(occurrences(log, "Device limit reached : 128\n"), 1u);
    EXPECT_NE(log.find("Device limit reached : 128\n\nFound VendorID"), std::string::npos);
    EXPECT_TRUE(log.ends_with("\nNum Devices Detected : 128\n"));
    close_all();
}

// With the handle table full, an accepted interface is left out right after its "Found" lines:
// nothing else of it is logged, and its record is not written (not even zeroed when the mode
// would have rejected it). A slot freed again takes the next interface the mode keeps.
TEST_F(EnumerationTest, FullHandleTableLeavesAnInterfaceOutUnloggedAndItsRecordUntouched) {
    // Every slot held by a board of another maker, which enumeration does not even log.
    const std::string filler = board_path(0x046D, 0x0500);
    add_board(0x0500, filler, 0x046D);
    std::vector<uint32_t> held;
    for (uint32_t handle = register_device(platform::backend().open(filler.c_str())); handle != 0;
         handle = register_device(platform::backend().open(filler.c_str())))
        held.push_back(handle);
    ASSERT_GT(held.size(), 60000u);
    add_board(0x0910, board_path(0x12DA, 0x0910, true)); // rejected in standard mode
    add_board(0x0300);
    std::memset(records.data(), 0x5A, 2 * sizeof(DeviceRecord));
    const std::vector<uint8_t> untouched(2 * sizeof(DeviceRecord), 0x5A);
    const std::string found_0910 = "\nFound VendorID 0x12da\nFound ProductID 0x910\n";
    const std::string found_0300 = "\nFound VendorID 0x12da\nFound ProductID 0x300\n";

    EXPECT_EQ(detect(), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(std::memcmp(records.data(), untouched.data(), untouched.size()), 0);
    EXPECT_EQ(read_file(kAllLog),
              kHeader + found_0910 + found_0300 + "\nNum Devices Detected : 0\n");
    EXPECT_EQ(open_device_count(), held.size());

    ASSERT_TRUE(close_device(held.back()));
    held.pop_back();
    EXPECT_EQ(detect(), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(records[0].ProductID, 0x0300);
    EXPECT_NE(records[0].Handle, 0u);
    EXPECT_EQ(read_file(kAllLog), kHeader + accepted_lines(0x0910) +
                                      "ALL_DEVICES - GetDevParam return FALSE\n" +
                                      accepted_lines(0x0300) + "\nNum Devices Detected : 1\n");
    close_all();
    for (uint32_t handle : held)
        close_device(handle);
}

TEST_F(EnumerationTest, LogThatCannotBeCreatedDoesNotStopEnumeration) {
    remove_file(kAllLog);
    std::filesystem::create_directory(kAllLog); // a folder where the file should go
    add_board(0x0500);

    EXPECT_EQ(detect(), 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(records[0].ProductID, 0x0500);
    close_all();
    std::filesystem::remove(kAllLog);
}

struct LogDirCase {
    const char *name;
    const char *value;    // PANELINK_LOG_DIR; nullptr: unset
    const char *log_file; // where the log is expected; nullptr: nowhere
};

const LogDirCase kLogDirCases[] = {
    {"unset", nullptr, "panelink_all.log"},
    {"empty", "", "panelink_all.log"},
    {"folder", "logs", "logs/panelink_all.log"},
    {"folder with a trailing slash", "logs/", "logs/panelink_all.log"},
    {"folder that does not exist", "missing", nullptr},
};

TEST_F(EnumerationTest, LogGoesToTheFolderNamedByTheEnvironment) {
    std::filesystem::create_directory("logs");
    for (const LogDirCase &c : kLogDirCases) {
        SCOPED_TRACE(c.name);
        remove_file(kAllLog);
        remove_file("logs/panelink_all.log");
        std::filesystem::remove_all("missing");
        if (c.value == nullptr)
            unsetenv("PANELINK_LOG_DIR");
        else
            setenv("PANELINK_LOG_DIR", c.value, 1);
        panelink_sim_reset();
        add_board(0x0500);

        EXPECT_EQ(detect(), 1);
        EXPECT_EQ(count, 1);
        EXPECT_EQ(records[0].ProductID, 0x0500);
        close_all();
        unsetenv("PANELINK_LOG_DIR");

        for (const char *place : {kAllLog, "logs/panelink_all.log", "missing/panelink_all.log"}) {
            const bool expected = c.log_file != nullptr && std::string(place) == c.log_file;
            EXPECT_EQ(std::filesystem::exists(place), expected) << place;
        }
        if (c.log_file != nullptr) {
            EXPECT_EQ(read_file(c.log_file),
                      kHeader + accepted_lines(0x0500) + "\nNum Devices Detected : 1\n");
        }
        EXPECT_FALSE(std::filesystem::exists("missing")) << "the folder is not created";
    }
    std::filesystem::remove_all("logs");
}

TEST_F(EnumerationTest, NewEnumerationLeavesEarlierHandlesOpen) {
    add_board(0x0500);
    ASSERT_EQ(detect(), 1);
    const DeviceRecord first = records[0];

    ASSERT_EQ(detect(), 1);
    EXPECT_NE(records[0].Handle, first.Handle);
    EXPECT_TRUE(is_open(first.Handle));
    EXPECT_EQ(open_device_count(), 2u);
    CloseDevices(1, const_cast<DeviceRecord *>(&first));
    close_all();
}

TEST_F(EnumerationTest, CloseDevicesClosesAndNullsOnlyOpenHandles) {
    add_board(0x0300);
    add_board(0x0500);
    ASSERT_EQ(detect(), 1);
    ASSERT_EQ(count, 2);
    const uint32_t second = records[1].Handle;

    EXPECT_EQ(CloseDevices(0, records.data()), 1); // number 0: nothing happens
    EXPECT_TRUE(is_open(records[0].Handle));

    EXPECT_EQ(CloseDevices(1, records.data()), 1);
    EXPECT_EQ(records[0].Handle, 0u);
    EXPECT_EQ(records[1].Handle, second);
    EXPECT_EQ(open_device_count(), 1u);

    const DeviceRecord before = records[0];
    EXPECT_EQ(CloseDevices(2, records.data()), 1); // entry 0 is already closed
    EXPECT_EQ(std::memcmp(&records[0], &before, sizeof before), 0);
    EXPECT_EQ(records[1].Handle, 0u);
    EXPECT_FALSE(is_open(second));
    EXPECT_EQ(open_device_count(), 0u);

    EXPECT_EQ(CloseDevices(3, nullptr), 1);
}

} // namespace
} // namespace panelink::test
