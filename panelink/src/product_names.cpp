#include "product_names.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "product_catalogue.h"

namespace panelink {

bool path_names_config_interface(std::string_view path) {
    return path.find("MI_01") != std::string_view::npos ||
           path.find("mi_01") != std::string_view::npos;
}

bool names_config_interface(const DeviceRecord &record) {
    const size_t length = std::min<size_t>(record.DevicePathLength, sizeof record.DevicePath);
    return path_names_config_interface(std::string_view(record.DevicePath, length));
}

void assign_product_name(const platform::Attributes &attributes, DeviceRecord &record) {
    const catalogue::Product *product = catalogue::find(attributes.product_id);
    if (product == nullptr)
        return;
    const char *name = product->name;
    if (product->has_config_interface()) {
        const bool config = names_config_interface(record);
        record.IsConfigInterface = config ? 1 : 0;
        if (config)
            name = product->config_name;
    }
    const size_t length = std::strlen(name); // every name fits the field (product_catalogue.cpp)
    std::memcpy(record.ProductName, name, length + 1);
    record.ProductNameLength = static_cast<int32_t>(length);
}

} // namespace panelink
