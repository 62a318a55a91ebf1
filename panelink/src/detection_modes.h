// The detection modes of DetectHID / DetectDevice: which products each mode accepts (the
// catalogue's mode bit), the configuration type it hands to the record filler, its log file and
// its two log messages.
#pragma once

#include <cstdint>

#include "product_catalogue.h"

namespace panelink {

// How the record filler treats configuration interfaces (the values of PANELINK_CFG_*).
enum class ConfigType : int {
    Standard = 0, // DT_STANDARD: configuration interfaces rejected (dual USB adapters excepted)
    Flash = 1,    // DT_FLASH: boards presenting themselves for firmware flashing
    Devices = 2,  // DT_DEVICES: only configuration interfaces, named from the product table
    Report = 3    // DT_REPORT: report-type boards, named from the product table
};

struct DetectionMode {
    catalogue::Mode accepts; // the products whose catalogue row has this mode
    ConfigType config_type;
    const char *log_file;          // in the current directory
    const char *not_found_message; // product ID outside the accepted list
    const char *rejected_message;  // interface rejected by the record filler
};

// The mode for a DetectionMode value: 1 flash, 2 devices, 3 report, 4 all devices; any other
// value (0, 5, 255, negative) selects the standard list.
const DetectionMode &detection_mode(int32_t mode);

// True when the mode accepts `product_id` (never a product outside the catalogue).
bool accepts_product(const DetectionMode &mode, uint32_t product_id);

// True for the family's vendor IDs (0x12DA, 0x6666).
bool is_family_vendor(uint16_t vendor_id);

} // namespace panelink
