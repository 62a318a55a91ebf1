// The detection log on POSIX systems: it is written only to a regular file, never through a
// symbolic link, into a FIFO or over a folder, and device texts cannot forge lines in it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "support/sim_boards.h"

namespace panelink::test {
namespace {

namespace fs = std::filesystem;

constexpr const char *kAllLog = "panelink_all.log";
const std::string kVictimText = "someone else's file\n";

class LogSafetyTest : public SimBoardsTest {
  protected:
    void SetUp() override {
        SimBoardsTest::SetUp();
        char name[] = "/tmp/panelink-log-XXXXXX";
        folder_ = mkdtemp(name);
        setenv("PANELINK_LOG_DIR", folder_.c_str(), 1);
        add_board(0x0500);
    }
    void TearDown() override {
        unsetenv("PANELINK_LOG_DIR");
        fs::remove_all(folder_);
        SimBoardsTest::TearDown();
    }

    std::string in_folder(const std::string &name) const { return folder_ + "/" + name; }

    // Enumerates (DetectDevice appends to its log, DetectHID replaces it): the board must be
    // found whatever happened to the log.
    void detect_board(bool append) {
        DeviceRecord records[4] = {};
        int32_t count = -1;
        ASSERT_EQ(append ? DetectDevice(&count, records, 0x0500, PANELINK_MODE_STANDARD)
                         : DetectHID(&count, records, PANELINK_MODE_STANDARD),
                  1);
        ASSERT_EQ(count, 1);
        EXPECT_EQ(records[0].ProductID, 0x0500);
        CloseDevices(1, records);
    }

    std::string folder_;
};

// What lies where the log goes, before an enumeration.
struct PlantedCase {
    const char *name;
    bool append;
    std::function<void(const std::string &log, const std::string &victim)> plant;
    bool log_written; // the enumeration wrote its log at the log's path
};

const std::vector<PlantedCase> kPlantedCases = {
    {"nothing", false, [](const std::string &, const std::string &) {}, true},
    {"a regular file, replaced", false,
     [](const std::string &log, const std::string &) { std::ofstream(log) << "old text\n"; }, true},
    {"a symbolic link to another file", false,
     [](const std::string &log, const std::string &victim) { fs::create_symlink(victim, log); },
     false},
    {"a symbolic link to another file, appending mode", true,
     [](const std::string &log, const std::string &victim) { fs::create_symlink(victim, log); },
     false},
    {"a dangling symbolic link", false,
     [](const std::string &log, const std::string &victim) {
         fs::create_symlink(victim + ".new", log);
     },
     false},
    {"a FIFO without reader", false,
     [](const std::string &log, const std::string &) { ASSERT_EQ(mkfifo(log.c_str(), 0600), 0); },
     false},
    {"a folder", false,
     [](const std::string &log, const std::string &) { fs::create_directory(log); }, false},
};

TEST_F(LogSafetyTest, OnlyARegularFileAtTheLogsOwnPathIsWritten) {
    for (const PlantedCase &c : kPlantedCases) {
        SCOPED_TRACE(c.name);
        const std::string log = in_folder(kAllLog);
        const std::string victim = in_folder("victim.txt");
        fs::remove_all(log);
        std::ofstream(victim) << kVictimText;
        c.plant(log, victim);

        detect_board(c.append);

        EXPECT_EQ(read_file(victim), kVictimText) << "the other file is untouched";
        EXPECT_FALSE(fs::exists(victim + ".new")) << "nothing is created through a link";
        const std::string written =
            fs::is_regular_file(fs::symlink_status(log)) ? read_file(log) : std::string();
        if (c.log_written) {
            EXPECT_NE(written.find("Num Devices Detected : 1"), std::string::npos);
            EXPECT_EQ(written.rfind("old text\n", 0) == 0, c.append);
        } else {
            EXPECT_TRUE(written.empty());
        }
    }
}

TEST_F(LogSafetyTest, NewLogFileGetsMode0644LessTheUmask) {
    for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{0}}) {
        SCOPED_TRACE(mask);
        fs::remove(in_folder(kAllLog));
        const mode_t previous = umask(mask);
        detect_board(false);
        umask(previous);
        struct stat status {};
        ASSERT_EQ(stat(in_folder(kAllLog).c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0644 & ~mask);
    }
}

TEST_F(LogSafetyTest, ControlBytesOfDeviceTextsAreEscapedInTheLogOnly) {
    panelink_sim_reset();
    Board board = make_board(0x0500);
    board.manufacturer = L"Maker\r\nFound VendorID 0x12da";
    board.product = L"Panel\x1b[2J\x7f\tend";
    add_board(board);

    DeviceRecord records[4] = {};
    int32_t count = -1;
    ASSERT_EQ(DetectHID(&count, records, PANELINK_MODE_STANDARD), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(std::string(records[0].Manufacturer, records[0].ManufacturerLength),
              "Maker\r\nFound VendorID 0x12da");
    EXPECT_EQ(std::string(records[0].ProductName, records[0].ProductNameLength),
              "Panel\x1b[2J\x7f\tend");
    CloseDevices(1, records);

    const std::string log = read_file(in_folder(kAllLog));
    EXPECT_NE(log.find("Manufacturer Name : Maker\\x0D\\x0AFound VendorID 0x12da\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Device Product Name : Panel\\x1B[2J\\x7F\\x09end\n"), std::string::npos)
        << log;
    EXPECT_EQ(log.find('\x1b'), std::string::npos);
    EXPECT_EQ(log.find('\r'), std::string::npos);
}

} // namespace
} // namespace panelink::test
