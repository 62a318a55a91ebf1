// The library's own product names: used when a device gives no product text, and always for
// the configuration and report-type modes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include <panelink/panelink.h>

#include "backends/platform.h"

namespace panelink {

struct ProductNameRow {
    uint16_t product_id;
    const char *name;
    // Name of the board's configuration interface; null for boards without one.
    const char *config_name;
};

// Every row of the product-name table.
std::span<const ProductNameRow> product_name_table();

// The row for `product_id`, or nothing for a product outside the table.
std::optional<ProductNameRow> find_product_name(uint16_t product_id);

// True when the record's path (only its first DevicePathLength bytes, at most 256) holds "MI_01"
// or "mi_01": a board's second USB interface, its configuration interface.
bool names_config_interface(const DeviceRecord &record);

// Writes the table's name for the attributes' product ID into ProductName (with its terminator)
// and sets ProductNameLength. For a board with a configuration interface the path decides the
// name and sets IsConfigInterface (1 for the configuration interface, else 0). A product outside
// the table leaves ProductName, ProductNameLength and IsConfigInterface unchanged.
void assign_product_name(const platform::Attributes &attributes, DeviceRecord &record);

} // namespace panelink
