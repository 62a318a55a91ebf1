// The library's own product names (the catalogue's): used when a device gives no product text,
// and always for the configuration and report-type modes.
#pragma once

#include <string_view>

#include <panelink/panelink.h>

#include "backends/platform.h"

namespace panelink {

// True when the record's path (only its first DevicePathLength bytes, at most 256) holds "MI_01"
// or "mi_01": a board's second USB interface, its configuration interface.
bool names_config_interface(const DeviceRecord &record);
// The same rule for a path of any length.
bool path_names_config_interface(std::string_view path);

// Writes the catalogue's name for the attributes' product ID into ProductName (with its
// terminator) and sets ProductNameLength. For a product with a configuration interface the path
// decides the name and sets IsConfigInterface (1 for the configuration interface, else 0). A
// product outside the catalogue leaves ProductName, ProductNameLength and IsConfigInterface
// unchanged.
void assign_product_name(const platform::Attributes &attributes, DeviceRecord &record);

} // namespace panelink
