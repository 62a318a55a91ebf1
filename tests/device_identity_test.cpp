// The record filler: identity, path, device texts with their retries and fallbacks, product
// names and the configuration-interface rule, tested per trait of the product catalogue on a few
// representative products.
#include <cctype>
#include <clocale>
#include <cstring>
#include <string>
#include <string_view>

#include <gtest/gtest.h>
#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "detection_log.h"
#include "detection_modes.h"
#include "device_identity.h"
#include "handle_table.h"
#include "product_catalogue.h"
#include "product_names.h"
#include "support/open_board.h"
#include "support/sim_boards.h"

namespace panelink::test {
namespace {

constexpr const char *kLogName = "identity.log";

std::string field(const char *data, size_t size) {
    return std::string(data, size);
}

// Runs the record filler on one virtual board, as enumeration would, inside a log of its own.
class DeviceIdentityTest : public SimBoardsTest {
  protected:
    DeviceRecord record{};
    std::string log;

    int fill(const Board &board, ConfigType config_type = ConfigType::Standard) {
        OpenBoard open(board);
        record.DeviceIndex = 0;
        const platform::Attributes attributes{board.vendor_id, board.product_id,
                                              board.version_number};
        int result = 0;
        {
            detection_log::Session session(kLogName, detection_log::Opening::Replace);
            result = fill_record(attributes, *acquire_device(open.record().Handle), record,
                                 open.path(), config_type);
        }
        log = read_file(kLogName);
        return result;
    }

    bool record_is_zero() const {
        const DeviceRecord zero{};
        return std::memcmp(&record, &zero, sizeof zero) == 0;
    }
};

TEST_F(DeviceIdentityTest, CopiesIdentityPathAndTexts) {
    Board board = make_board(0x0500);
    board.version_number = 0x0317;
    board.manufacturer = L"Maker";
    board.product = L"Board";
    board.serial_number = L"123";
    record.IsConfigInterface = 9;

    ASSERT_EQ(fill(board), 1);
    const std::string path = board_path(0x12DA, 0x0500);
    EXPECT_EQ(record.VendorID, 0x12DA);
    EXPECT_EQ(record.ProductID, 0x0500);
    EXPECT_EQ(record.VersionNumber, 0x0317);
    EXPECT_EQ(record.DevicePathLength, path.size());
    EXPECT_EQ(field(record.DevicePath, path.size() + 1), path + '\0');
    EXPECT_STREQ(record.Manufacturer, "Maker");
    EXPECT_EQ(record.ManufacturerLength, 5);
    EXPECT_STREQ(record.ProductName, "Board");
    EXPECT_EQ(record.ProductNameLength, 5);
    EXPECT_EQ(field(record.SerialNumber, 4), std::string("123\0", 4));
    EXPECT_EQ(record.SerialNumberLength, 3);
    EXPECT_EQ(record.IsConfigInterface, 0);
    EXPECT_EQ(log, "Manufacturer Name : Maker\nDevice Product Name : Board\n"
                   "CFG_TYPE : DT_STANDARD\n");
}

// The configuration-interface rule of each configuration type.
struct RuleCase {
    ConfigType type;
    uint16_t product_id;
    std::string path_marker; // "" for a first interface, "&mi_01" or "&MI_01"
    int result;
    const char *name; // expected ProductName when kept
    uint8_t config_interface;
    const char *type_line;
};

std::string path_with(uint16_t product_id, const std::string &marker) {
    char path[96];
    std::snprintf(path, sizeof path, "\\\\?\\hid#vid_12da&pid_%04x%s#8&11aa&0&0000#{guid}",
                  product_id, marker.c_str());
    return path;
}

TEST_F(DeviceIdentityTest, ConfigurationInterfaceRulePerConfigType) {
    const char *kStandard = "CFG_TYPE : DT_STANDARD\n";
    const char *kFlash = "CFG_TYPE : DT_FLASH\n";
    const char *kDevices = "CFG_TYPE : DT_DEVICES\n";
    const char *kReport = "CFG_TYPE : DT_REPORT\n";
    const RuleCase cases[] = {
        {ConfigType::Standard, 0x0910, "", 1, "Board", 0, kStandard},
        {ConfigType::Standard, 0x0910, "&mi_01", 0, nullptr, 0, kStandard},
        {ConfigType::Standard, 0x0500, "&MI_01", 0, nullptr, 0, kStandard},
        {ConfigType::Standard, 0x0602, "&mi_01", 1, "Board", 0, kStandard},
        {ConfigType::Standard, 0x0603, "&MI_01", 1, "Board", 0, kStandard},
        {ConfigType::Standard, 0x0910, "&mi_02", 1, "Board", 0, kStandard},
        {ConfigType::Flash, 0x1000, "&mi_01", 1, "Board", 0, kFlash},
        {ConfigType::Flash, 0x1100, "", 1, "Board", 0, kFlash},
        {ConfigType::Devices, 0x0910, "&mi_01", 1, "Zephyr-Lite CFG", 1, kDevices},
        {ConfigType::Devices, 0x0510, "&MI_01", 1, "Halcyon V2 CFG", 1, kDevices},
        {ConfigType::Devices, 0x1600, "&mi_01", 1, "TANDEM CFG", 1, kDevices},
        {ConfigType::Devices, 0x0910, "", 0, nullptr, 0, kDevices},
        {ConfigType::Report, 0x0800, "", 1, "Lumenet", 1, kReport},
        {ConfigType::Report, 0x1500, "&mi_01", 1, "Ember-QL", 1, kReport},
    };
    for (const RuleCase &c : cases) {
        SCOPED_TRACE(path_with(c.product_id, c.path_marker) + " type " +
                     std::to_string(static_cast<int>(c.type)));
        record = DeviceRecord{};
        record.IsConfigInterface = 7;
        EXPECT_EQ(fill(make_board(c.product_id, path_with(c.product_id, c.path_marker)), c.type),
                  c.result);
        EXPECT_TRUE(log.ends_with(c.type_line));
        if (c.result == 0) {
            EXPECT_TRUE(record_is_zero());
            continue;
        }
        EXPECT_STREQ(record.ProductName, c.name);
        EXPECT_EQ(record.ProductNameLength, static_cast<int32_t>(std::strlen(c.name)));
        EXPECT_EQ(record.IsConfigInterface, c.config_interface);
        EXPECT_NE(record.DevicePathLength, 0u);
    }
}

TEST_F(DeviceIdentityTest, TableNameReplacesDeviceTextOnlyWhereModeAsks) {
    Board board = make_board(0x0910, path_with(0x0910, "&mi_01"));
    board.product = L"Something else entirely, longer than the table's name";
    ASSERT_EQ(fill(board, ConfigType::Devices), 1);
    EXPECT_EQ(field(record.ProductName, 16), std::string("Zephyr-Lite CFG\0", 16));
    EXPECT_EQ(record.ProductNameLength, 15);
    EXPECT_EQ(log, "Manufacturer Name : Maker\nDevice Product Name : Something else entirely, "
                   "longer than the table's name\nCFG_TYPE : DT_DEVICES\n");
}

// The name assign_product_name writes for `product_id` on an interface at `path`, over a
// ProductName field of 'z' bytes and an IsConfigInterface of 7.
DeviceRecord named(uint16_t product_id, const std::string &path) {
    DeviceRecord r{};
    std::memset(r.ProductName, 'z', sizeof r.ProductName);
    std::memcpy(r.DevicePath, path.data(), path.size());
    r.DevicePathLength = static_cast<uint32_t>(path.size());
    r.IsConfigInterface = 7;
    assign_product_name({0x12DA, product_id, 1}, r);
    return r;
}

// ProductName holds `name` and its terminator, with the rest of the field as it was.
void expect_name(const DeviceRecord &r, const std::string &name) {
    EXPECT_EQ(field(r.ProductName, name.size() + 2), name + '\0' + 'z');
    EXPECT_EQ(r.ProductNameLength, static_cast<int32_t>(name.size()));
}

// A product with a configuration interface: the path decides between its two names, and sets
// IsConfigInterface.
TEST_F(DeviceIdentityTest, ConfigurationInterfaceGetsItsOwnName) {
    for (const catalogue::Product &product : catalogue::products()) {
        if (!product.has_config_interface())
            continue;
        for (const char *marker : {"", "&mi_01", "&MI_01"}) {
            SCOPED_TRACE(path_with(product.id, marker));
            const DeviceRecord r = named(product.id, path_with(product.id, marker));
            const bool config = marker[0] != '\0';
            expect_name(r, config ? product.config_name : product.name);
            EXPECT_EQ(r.IsConfigInterface, config ? 1 : 0);
        }
    }
    // Representative rows, as the boards are known: Zephyr-Lite's, and TANDEM's, whose
    // configuration name is spelt in capitals unlike the board's.
    expect_name(named(0x0910, path_with(0x0910, "&mi_01")), "Zephyr-Lite CFG");
    expect_name(named(0x0910, path_with(0x0910, "")), "Zephyr-Lite");
    expect_name(named(0x1600, path_with(0x1600, "&MI_01")), "TANDEM CFG");
    expect_name(named(0x1600, path_with(0x1600, "")), "Tandem");
}

// A product without one has a single name whatever the path, and leaves IsConfigInterface;
// a product outside the catalogue leaves the record alone.
TEST_F(DeviceIdentityTest, ProductWithoutConfigurationInterfaceHasOneName) {
    for (const char *marker : {"", "&MI_01"}) {
        SCOPED_TRACE(marker);
        const DeviceRecord single = named(0x0603, path_with(0x0603, marker));
        expect_name(single, "Zephyr HOTAS - Dual USB Adapter");
        EXPECT_EQ(single.IsConfigInterface, 7);
    }

    DeviceRecord unknown{};
    std::memcpy(unknown.ProductName, "keep", 5);
    unknown.ProductNameLength = 4;
    unknown.IsConfigInterface = 7;
    assign_product_name({0x12DA, 0x0777, 1}, unknown);
    EXPECT_STREQ(unknown.ProductName, "keep");
    EXPECT_EQ(unknown.ProductNameLength, 4);
    EXPECT_EQ(unknown.IsConfigInterface, 7);
}

std::string lower(std::string text) {
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A flashing identity is named after the board it flashes: every one carries the name of a
// product that is no flashing identity, spelt as the library has always spelt it (two in
// capitals where their board's name is not).
TEST_F(DeviceIdentityTest, FlashingIdentityIsNamedAfterItsBoard) {
    size_t flashing = 0;
    for (const catalogue::Product &identity : catalogue::products()) {
        if (!identity.has(catalogue::kFlashingIdentity))
            continue;
        ++flashing;
        SCOPED_TRACE(identity.name);
        bool board_found = false;
        for (const catalogue::Product &board : catalogue::products())
            board_found = board_found || (!board.has(catalogue::kFlashingIdentity) &&
                                          lower(board.name) == lower(identity.name));
        EXPECT_TRUE(board_found);
    }
    EXPECT_GT(flashing, 0u);

    // Through the record filler: a flashing board that gives no product text.
    const uint16_t kZephyrLiteFlashing = 0x1000;
    Board board = make_board(kZephyrLiteFlashing, path_with(kZephyrLiteFlashing, ""));
    board.product.reset();
    ASSERT_EQ(fill(board, ConfigType::Flash), 1);
    EXPECT_STREQ(record.ProductName, "Zephyr-Lite");
    EXPECT_EQ(record.IsConfigInterface, 0);

    expect_name(named(0x1400, path_with(0x1400, "")), "EMBER-QL");
    expect_name(named(0x1500, path_with(0x1500, "")), "Ember-QL");
    expect_name(named(0x1700, path_with(0x1700, "")), "TANDEM");
}

TEST_F(DeviceIdentityTest, LongPathIsCutTo256BytesAndOnlyThoseAreSearched) {
    std::string path = path_with(0x0910, "");
    path.resize(280, 'x');
    path += "&mi_01";
    path.resize(300, 'y');

    ASSERT_EQ(fill(make_board(0x0910, path), ConfigType::Standard), 1);
    EXPECT_EQ(record.DevicePathLength, 256u);
    EXPECT_EQ(field(record.DevicePath, 256), path.substr(0, 256)); // no terminator inside

    record = DeviceRecord{};
    EXPECT_EQ(fill(make_board(0x0910, path), ConfigType::Devices), 0);
    EXPECT_TRUE(record_is_zero());

    // A marker that ends exactly at byte 256 is still seen.
    std::string edge = path.substr(0, 251) + "mi_01" + "tail";
    record = DeviceRecord{};
    EXPECT_EQ(fill(make_board(0x0910, edge), ConfigType::Devices), 1);
    EXPECT_STREQ(record.ProductName, "Zephyr-Lite CFG");
}

TEST_F(DeviceIdentityTest, MissingTextsFallBackWithErrorLines) {
    Board board = make_board(0x0500);
    board.manufacturer.reset();
    board.product.reset();
    board.serial_number.reset();

    ASSERT_EQ(fill(board), 1);
    const std::string code = std::to_string(request_failed_code());
    EXPECT_EQ(log, "Manufacturer String - ERROR : " + code + "! N/A\n" +
                       "Manufacturer Name : Veltrane Inc.\n" + "Device Name String - ERROR : " +
                       code + "! N/A\n" + "CFG_TYPE : DT_STANDARD\n" +
                       "Device Serial String - ERROR : " + code + "! N/A\n");
    EXPECT_STREQ(record.Manufacturer, "Veltrane Inc.");
    EXPECT_EQ(record.ManufacturerLength, 13);
    EXPECT_STREQ(record.ProductName, "Halcyon-256 USB MODULE");
    EXPECT_EQ(record.ProductNameLength, 22);
    EXPECT_EQ(field(record.SerialNumber, 4), std::string("N/A\0", 4));
    EXPECT_EQ(record.SerialNumberLength, 3);
}

TEST_F(DeviceIdentityTest, MissingProductTextOutsideTheTableKeepsDefault) {
    Board board = make_board(0x0777);
    board.product.reset();
    ASSERT_EQ(fill(board), 1);
    EXPECT_EQ(field(record.ProductName, 4), std::string("N/A\0", 4));
    EXPECT_EQ(record.ProductNameLength, 3);
}

// The fault fails the next `count` text requests in the order manufacturer (up to 6 tries),
// product (up to 6), serial (up to 6).
TEST_F(DeviceIdentityTest, TextsThatFailAFewTimesThenAnswerAreUsed) {
    const std::string code = std::to_string(request_failed_code());
    const std::string maker_error = "Manufacturer String - ERROR : " + code + "! N/A\n";
    const std::string product_error = "Device Name String - ERROR : " + code + "! N/A\n";
    const std::string serial_error = "Device Serial String - ERROR : " + code + "! N/A\n";
    struct Case {
        int failures;
        std::string log;
        const char *manufacturer;
        const char *product;
        const char *serial;
    };
    const Case cases[] = {
        {5, "Manufacturer Name : Maker\nDevice Product Name : Board\nCFG_TYPE : DT_STANDARD\n",
         "Maker", "Board", "123"},
        {6,
         maker_error + "Manufacturer Name : Veltrane Inc.\nDevice Product Name : Board\n"
                       "CFG_TYPE : DT_STANDARD\n",
         "Veltrane Inc.", "Board", "123"},
        {11,
         maker_error + "Manufacturer Name : Veltrane Inc.\nDevice Product Name : Board\n"
                       "CFG_TYPE : DT_STANDARD\n",
         "Veltrane Inc.", "Board", "123"},
        {17,
         maker_error + "Manufacturer Name : Veltrane Inc.\n" + product_error +
             "CFG_TYPE : DT_STANDARD\n",
         "Veltrane Inc.", "Halcyon-64 USB MODULE", "123"},
        {18,
         maker_error + "Manufacturer Name : Veltrane Inc.\n" + product_error +
             "CFG_TYPE : DT_STANDARD\n" + serial_error,
         "Veltrane Inc.", "Halcyon-64 USB MODULE", "N/A"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.failures);
        record = DeviceRecord{};
        OpenBoard board(0x0700);
        panelink_sim_set_fault(board.id(), PANELINK_SIM_FAULT_TEXTS, c.failures);
        {
            detection_log::Session session(kLogName, detection_log::Opening::Replace);
            EXPECT_EQ(fill_record({0x12DA, 0x0700, 1}, *acquire_device(board.record().Handle),
                                  record, board.path(), ConfigType::Standard),
                      1);
        }
        EXPECT_EQ(read_file(kLogName), c.log);
        EXPECT_STREQ(record.Manufacturer, c.manufacturer);
        EXPECT_STREQ(record.ProductName, c.product);
        EXPECT_STREQ(record.SerialNumber, c.serial);
    }
}

// In the C locale a character outside Latin-1 cannot be converted (Windows' C library maps
// Latin-1 to single bytes even there).
TEST_F(DeviceIdentityTest, TextsThatCannotBeConvertedAreTreatedAsMissing) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
    Board board = make_board(0x0300);
    board.manufacturer = L"Caf\u20ac Panels International";
    board.product = L"Pan\u20acl";
    board.serial_number = L"\u20ac12";

    ASSERT_EQ(fill(board), 1);
    EXPECT_EQ(log, "Manufacturer String - WCS ERROR! N/A\n"
                   "Manufacturer Name : Veltrane Inc.\n"
                   "Device Name String - WCS ERROR! N/A\n"
                   "CFG_TYPE : DT_STANDARD\n"
                   "Serial String - NON! N/A\n");
    EXPECT_EQ(field(record.Manufacturer, sizeof record.Manufacturer),
              std::string("Veltrane Inc.") + std::string(256 - 13, '\0'));
    EXPECT_EQ(record.ManufacturerLength, 13);
    EXPECT_STREQ(record.ProductName, "JB-300 USB MODULE");
    EXPECT_EQ(record.ProductNameLength, 17);
    EXPECT_EQ(field(record.SerialNumber, 4), std::string("N/A\0", 4));
    EXPECT_EQ(record.SerialNumberLength, 3);

    board.product_id = 0x0777; // no table name to fall back on
    board.path = board_path(0x12DA, 0x0777);
    record = DeviceRecord{};
    ASSERT_EQ(fill(board), 1);
    EXPECT_EQ(field(record.ProductName, sizeof record.ProductName),
              std::string("N/A") + std::string(256 - 3, '\0'));
    EXPECT_EQ(record.ProductNameLength, 3);
}

TEST_F(DeviceIdentityTest, EmptyTextsGiveZeroLengths) {
    Board board = make_board(0x0500);
    board.manufacturer = L"";
    board.product = L"";
    ASSERT_EQ(fill(board), 1);
    EXPECT_EQ(record.ManufacturerLength, 0);
    EXPECT_EQ(record.ProductNameLength, 0);
    EXPECT_EQ(log, "Manufacturer Name : \nDevice Product Name : \nCFG_TYPE : DT_STANDARD\n");
}

TEST_F(DeviceIdentityTest, LongestTextInTheCLocaleFitsWithItsTerminator) {
    Board board = make_board(0x0500);
    board.manufacturer = std::wstring(255, L'm');
    ASSERT_EQ(fill(board), 1);
    EXPECT_EQ(record.ManufacturerLength, 255);
    EXPECT_EQ(record.Manufacturer[255], '\0');
    EXPECT_NE(log.find("Manufacturer Name : " + std::string(255, 'm') + "\n"), std::string::npos);
}

// A text that fills its whole field has no terminator: lengths and log lines stop at the field.
class Utf8Locale {
  public:
    Utf8Locale() : ok_(std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr) {}
    ~Utf8Locale() { std::setlocale(LC_CTYPE, "C"); }
    bool ok() const { return ok_; }

  private:
    bool ok_;
};

TEST_F(DeviceIdentityTest, TextFillingTheWholeFieldStaysInsideIt) {
    Utf8Locale locale;
    if (!locale.ok())
        GTEST_SKIP() << "no C.UTF-8 locale on this system";
    Board board = make_board(0x0500);
    board.manufacturer = std::wstring(200, L'\u00e9'); // 400 bytes in UTF-8
    board.product = std::wstring(200, L'\u00fc');
    board.serial_number = L"\u00e9\u00e9";

    ASSERT_EQ(fill(board), 1);
    std::string e_acute, u_umlaut;
    for (int i = 0; i < 128; ++i) {
        e_acute += "\xc3\xa9";
        u_umlaut += "\xc3\xbc";
    }
    EXPECT_EQ(record.ManufacturerLength, 256);
    EXPECT_EQ(field(record.Manufacturer, 256), e_acute);
    EXPECT_EQ(record.ProductNameLength, 256);
    EXPECT_EQ(field(record.ProductName, 256), u_umlaut);
    EXPECT_EQ(log, "Manufacturer Name : " + e_acute + "\nDevice Product Name : " + u_umlaut +
                       "\nCFG_TYPE : DT_STANDARD\n");
    EXPECT_EQ(record.SerialNumber[3], '\0');
    EXPECT_EQ(record.SerialNumberLength, 3);
}

TEST_F(DeviceIdentityTest, SerialKeepsAtMostThreeCharactersAndItsTerminator) {
    struct Case {
        std::wstring serial;
        std::string bytes;
    };
    const Case cases[] = {
        {L"", std::string("\0/A\0", 4)},
        {L"7", std::string("7\0A\0", 4)},
        {L"ABC", std::string("ABC\0", 4)},
        {L"0123456789", std::string("012\0", 4)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.serial.size());
        record = DeviceRecord{};
        std::memset(record.SerialNumber, 'z', sizeof record.SerialNumber);
        Board board = make_board(0x0500);
        board.serial_number = c.serial;
        ASSERT_EQ(fill(board), 1);
        EXPECT_EQ(field(record.SerialNumber, 4), c.bytes);
        EXPECT_EQ(record.SerialNumberLength, 3);
        EXPECT_EQ(log.find("Serial"), std::string::npos);
    }
}

TEST_F(DeviceIdentityTest, EnumerationUsesTheModesConfigType) {
    add_board(0x0910, board_path(0x12DA, 0x0910));
    add_board(0x0910, board_path(0x12DA, 0x0910, true));
    DeviceRecord records[2] = {};
    int32_t count = 0;

    ASSERT_EQ(DetectHID(&count, records, PANELINK_MODE_DEVICES), 1);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(records[0].ProductName, "Zephyr-Lite CFG");
    EXPECT_EQ(records[0].ProductNameLength, 15);
    EXPECT_EQ(records[0].IsConfigInterface, 1);
    EXPECT_EQ(read_file("panelink_dev.log"),
              "\n\nPANELINK initialization!\n\nFlash : 2\n"
              "\nFound VendorID 0x12da\nFound ProductID 0x910\n"
              "Manufacturer Name : Maker\nDevice Product Name : Board\nCFG_TYPE : DT_DEVICES\n"
              "DT_DEVICES - GetDevParam return FALSE\n"
              "\nFound VendorID 0x12da\nFound ProductID 0x910\n"
              "Manufacturer Name : Maker\nDevice Product Name : Board\nCFG_TYPE : DT_DEVICES\n"
              "\nNum Devices Detected : 1\n");
    CloseDevices(static_cast<uint32_t>(count), records);

    ASSERT_EQ(DetectHID(&count, records, PANELINK_MODE_STANDARD), 1);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(records[0].ProductName, "Board");
    EXPECT_EQ(records[0].IsConfigInterface, 0);
    CloseDevices(static_cast<uint32_t>(count), records);
}

} // namespace
} // namespace panelink::test
