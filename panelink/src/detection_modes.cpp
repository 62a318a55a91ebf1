#include "detection_modes.h"

#include <algorithm>
#include <array>

#include <panelink/panelink.h>

namespace panelink {
namespace {

// Product IDs under which boards present themselves for firmware flashing.
constexpr std::array<uint16_t, 8> kFlashProducts = {0x1000, 0x1010, 0x1100, 0x1110,
                                                    0x1200, 0x1300, 0x1400, 0x1700};

// Boards with a separate configuration interface.
constexpr std::array<uint16_t, 6> kDevicesProducts = {0x0510, 0x0520, 0x0710,
                                                      0x0910, 0x0920, 0x1600};

// The two report-type boards.
constexpr std::array<uint16_t, 2> kReportProducts = {0x0800, 0x1500};

constexpr std::array<uint16_t, 8> kAllDevicesProducts = {0x0300, 0x0500, 0x0510, 0x0520,
                                                         0x0700, 0x0710, 0x0800, 0x1500};

constexpr std::array<uint16_t, 20> kStandardProducts = {
    0x0100, 0x0200, 0x0250, 0x0300, 0x0400, 0x0500, 0x0510, 0x0520, 0x0600, 0x0601,
    0x0602, 0x0603, 0x0700, 0x0710, 0x0800, 0x0900, 0x0910, 0x0920, 0x1500, 0x1600};

const DetectionMode kFlashMode{kFlashProducts, ConfigType::Flash, "panelink_flash.log",
                               "DT_FLASH - not found!\n", "DT_FLASH - GetDevParam return FALSE\n"};

const DetectionMode kDevicesMode{kDevicesProducts, ConfigType::Devices, "panelink_dev.log",
                                 "DT_DEVICES - not found!\n",
                                 "DT_DEVICES - GetDevParam return FALSE\n"};

const DetectionMode kReportMode{kReportProducts, ConfigType::Report, "panelink_all.log",
                                "DT_REPORT - not found!\n",
                                "DT_REPORT - GetDevParam return FALSE\n"};

const DetectionMode kAllDevicesMode{kAllDevicesProducts, ConfigType::Standard, "panelink_all.log",
                                    "ALL_DEVICES - not found!\n",
                                    "ALL_DEVICES - GetDevParam return FALSE\n"};

// The standard list shares its log file and messages with ALL_DEVICES.
const DetectionMode kStandardMode{kStandardProducts, ConfigType::Standard, "panelink_all.log",
                                  "ALL_DEVICES - not found!\n",
                                  "ALL_DEVICES - GetDevParam return FALSE\n"};

} // namespace

const DetectionMode &detection_mode(int32_t mode) {
    switch (mode) {
    case PANELINK_MODE_FLASH:
        return kFlashMode;
    case PANELINK_MODE_DEVICES:
        return kDevicesMode;
    case PANELINK_MODE_REPORT:
        return kReportMode;
    case PANELINK_MODE_ALL_DEVICES:
        return kAllDevicesMode;
    default:
        return kStandardMode;
    }
}

bool accepts_product(const DetectionMode &mode, uint32_t product_id) {
    return std::ranges::any_of(mode.accepted_products,
                               [product_id](uint16_t id) { return id == product_id; });
}

bool is_family_vendor(uint16_t vendor_id) {
    return vendor_id == PANELINK_VENDOR_ID_A || vendor_id == PANELINK_VENDOR_ID_B;
}

} // namespace panelink
