#include "product_names.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace panelink {
namespace {

constexpr std::array<ProductNameRow, 28> kProductNameTable = {{
    {0x0100, "JB-100", nullptr},
    {0x0200, "JB-200", nullptr},
    {0x0250, "JB-250", nullptr},
    {0x0300, "JB-300 USB MODULE", nullptr},
    {0x0400, "JB-400", nullptr},
    {0x0500, "Halcyon-256 USB MODULE", nullptr},
    {0x0510, "Halcyon V2", "Halcyon V2 CFG"},
    {0x0520, "Halcyon V3", "Halcyon V3 CFG"},
    {0x0600, "Zephyr - USB Adapter", nullptr},
    {0x0601, "Zephyr HOTAS - USB Adapter", nullptr},
    {0x0602, "Zephyr - Dual USB Adapter", nullptr},
    {0x0603, "Zephyr HOTAS - Dual USB Adapter", nullptr},
    {0x0700, "Halcyon-64 USB MODULE", nullptr},
    {0x0710, "Corvid", "Corvid CFG"},
    {0x0800, "Lumenet", nullptr},
    {0x0900, "Zephyr-Lite", nullptr},
    {0x0910, "Zephyr-Lite", "Zephyr-Lite CFG"},
    {0x0920, "Zephyr-R2", "Zephyr-R2 CFG"},
    // Flashing identities carry the name of the board they belong to.
    {0x1000, "Zephyr-Lite", nullptr},
    {0x1010, "Zephyr-R2", nullptr},
    {0x1100, "Halcyon V2", nullptr},
    {0x1110, "Halcyon V3", nullptr},
    {0x1200, "Lumenet", nullptr},
    {0x1300, "Corvid", nullptr},
    {0x1400, "EMBER-QL", nullptr},
    {0x1500, "Ember-QL", nullptr},
    {0x1600, "Tandem", "TANDEM CFG"},
    {0x1700, "TANDEM", nullptr},
}};

} // namespace

std::span<const ProductNameRow> product_name_table() {
    return kProductNameTable;
}

std::optional<ProductNameRow> find_product_name(uint16_t product_id) {
    auto row = std::ranges::find(kProductNameTable, product_id, &ProductNameRow::product_id);
    if (row == kProductNameTable.end())
        return std::nullopt;
    return *row;
}

bool names_config_interface(const DeviceRecord &record) {
    const size_t length = std::min<size_t>(record.DevicePathLength, sizeof record.DevicePath);
    const std::string_view path(record.DevicePath, length);
    return path.find("MI_01") != std::string_view::npos ||
           path.find("mi_01") != std::string_view::npos;
}

void assign_product_name(const platform::Attributes &attributes, DeviceRecord &record) {
    const std::optional<ProductNameRow> row = find_product_name(attributes.product_id);
    if (!row)
        return;
    const char *name = row->name;
    if (row->config_name != nullptr) {
        const bool config = names_config_interface(record);
        record.IsConfigInterface = config ? 1 : 0;
        if (config)
            name = row->config_name;
    }
    const size_t length = std::strlen(name); // every name is far shorter than the field
    std::memcpy(record.ProductName, name, length + 1);
    record.ProductNameLength = static_cast<int32_t>(length);
}

} // namespace panelink
