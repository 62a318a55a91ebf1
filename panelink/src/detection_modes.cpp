#include "detection_modes.h"

#include <panelink/panelink.h>

namespace panelink {
namespace {

const DetectionMode kFlashMode{catalogue::kFlash, ConfigType::Flash, "panelink_flash.log",
                               "DT_FLASH - not found!\n", "DT_FLASH - GetDevParam return FALSE\n"};

const DetectionMode kDevicesMode{catalogue::kDevices, ConfigType::Devices, "panelink_dev.log",
                                 "DT_DEVICES - not found!\n",
                                 "DT_DEVICES - GetDevParam return FALSE\n"};

const DetectionMode kReportMode{catalogue::kReport, ConfigType::Report, "panelink_all.log",
                                "DT_REPORT - not found!\n",
                                "DT_REPORT - GetDevParam return FALSE\n"};

const DetectionMode kAllDevicesMode{catalogue::kAllDevices, ConfigType::Standard,
                                    "panelink_all.log", "ALL_DEVICES - not found!\n",
                                    "ALL_DEVICES - GetDevParam return FALSE\n"};

// The standard mode shares its log file and messages with ALL_DEVICES, but not its products.
const DetectionMode kStandardMode{catalogue::kStandard, ConfigType::Standard, "panelink_all.log",
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
    return catalogue::accepts(mode.accepts, product_id);
}

bool is_family_vendor(uint16_t vendor_id) {
    return vendor_id == PANELINK_VENDOR_ID_A || vendor_id == PANELINK_VENDOR_ID_B;
}

} // namespace panelink
