#include "device_identity.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "detection_log.h"
#include "input_layout.h"
#include "product_catalogue.h"
#include "product_names.h"

namespace panelink {
namespace {

using platform::DeviceText;

constexpr size_t kTextFieldLimit = 256; // bytes converted for manufacturer and product
constexpr size_t kSerialLimit = 3;      // bytes converted for the serial

// Length of a text up to its terminator, reading at most `limit` bytes (a text may fill its
// field with no terminator).
size_t bounded_length(const char *text, size_t limit) {
    const void *end = std::memchr(text, '\0', limit);
    return end != nullptr ? static_cast<size_t>(static_cast<const char *>(end) - text) : limit;
}

template <size_t N> int field_length(const char (&field)[N]) {
    return static_cast<int>(bounded_length(field, N));
}

// The text of a field, up to its first 0 byte.
template <size_t N> std::string_view field_text(const char (&field)[N]) {
    return {field, bounded_length(field, N)};
}

template <size_t N> void write_over_start(char (&field)[N], std::string_view text) {
    std::memcpy(field, text.data(), std::min(text.size(), N));
}

// Asks the device for one of its texts, up to kTextAttempts times. On failure `error` holds the
// platform's last error code.
bool read_text(platform::Device &device, DeviceText which,
               wchar_t (&text)[platform::kDeviceTextChars], uint32_t &error) {
    for (int attempt = 0; attempt < kTextAttempts; ++attempt) {
        if (device.text(which, text))
            return true;
    }
    error = platform::backend().last_error();
    return false;
}

void fill_path(DeviceRecord &record, std::string_view path) {
    size_t length = std::min(path.size(), sizeof record.DevicePath);
    length = bounded_length(path.data(), length); // the path text ends at its first zero byte
    record.DevicePathLength = static_cast<uint32_t>(length);
    std::memset(record.DevicePath, 0, sizeof record.DevicePath);
    std::memcpy(record.DevicePath, path.data(), length);
}

void use_manufacturer_fallback(DeviceRecord &record) {
    std::memset(record.Manufacturer, 0, sizeof record.Manufacturer);
    write_over_start(record.Manufacturer, kManufacturerFallback);
    record.ManufacturerLength = static_cast<int32_t>(kManufacturerFallback.size());
}

void fill_manufacturer(platform::Device &device, DeviceRecord &record) {
    std::memset(record.Manufacturer, 0, sizeof record.Manufacturer);
    write_over_start(record.Manufacturer, kDefaultText);
    record.ManufacturerLength = static_cast<int32_t>(kDefaultText.size());

    wchar_t text[platform::kDeviceTextChars];
    uint32_t error = 0;
    if (read_text(device, DeviceText::Manufacturer, text, error)) {
        const auto written = convert_device_text(text, record.Manufacturer, kTextFieldLimit);
        if (written) {
            record.ManufacturerLength = static_cast<int32_t>(*written);
        } else {
            detection_log::write("Manufacturer String - WCS ERROR! N/A\n");
            use_manufacturer_fallback(record);
        }
    } else {
        detection_log::write("Manufacturer String - ERROR : %d! N/A\n", static_cast<int>(error));
        use_manufacturer_fallback(record);
    }
    detection_log::write("Manufacturer Name : ");
    detection_log::write_device_text(field_text(record.Manufacturer));
    detection_log::write("\n");
}

void reset_product_name(DeviceRecord &record) {
    std::memset(record.ProductName, 0, sizeof record.ProductName);
    write_over_start(record.ProductName, kDefaultText);
    record.ProductNameLength = static_cast<int32_t>(kDefaultText.size());
}

void fill_product(platform::Device &device, const platform::Attributes &attributes,
                  DeviceRecord &record) {
    reset_product_name(record);

    wchar_t text[platform::kDeviceTextChars];
    uint32_t error = 0;
    if (!read_text(device, DeviceText::Product, text, error)) {
        detection_log::write("Device Name String - ERROR : %d! N/A\n", static_cast<int>(error));
        assign_product_name(attributes, record);
    } else if (!convert_device_text(text, record.ProductName, kTextFieldLimit)) {
        detection_log::write("Device Name String - WCS ERROR! N/A\n");
        reset_product_name(record); // drop what the failed conversion wrote
        assign_product_name(attributes, record);
    } else {
        detection_log::write("Device Product Name : ");
        detection_log::write_device_text(field_text(record.ProductName));
        detection_log::write("\n");
    }
    record.ProductNameLength = field_length(record.ProductName);
}

void fill_serial(platform::Device &device, DeviceRecord &record) {
    write_over_start(record.SerialNumber, kDefaultText);
    record.SerialNumberLength = static_cast<int32_t>(kDefaultText.size());

    wchar_t text[platform::kDeviceTextChars];
    uint32_t error = 0;
    if (!read_text(device, DeviceText::SerialNumber, text, error)) {
        detection_log::write("Device Serial String - ERROR : %d! N/A\n", static_cast<int>(error));
    } else if (!convert_device_text(text, record.SerialNumber, kSerialLimit)) {
        write_over_start(record.SerialNumber, kDefaultText);
        detection_log::write("Serial String - NON! N/A\n");
    }
    record.SerialNumber[3] = 0;
}

// Rejection leaves nothing of the interface in the record.
int reject(DeviceRecord &record) {
    std::memset(&record, 0, sizeof record);
    return 0;
}

} // namespace

std::optional<size_t> convert_device_text(wchar_t (&text)[platform::kDeviceTextChars], char *out,
                                          size_t limit) {
    text[platform::kDeviceTextChars - 1] = L'\0'; // never read past the buffer
    const size_t written = std::wcstombs(out, text, limit);
    if (written == static_cast<size_t>(-1))
        return std::nullopt;
    return written;
}

int fill_record(const platform::Attributes &attributes, platform::Device &device,
                DeviceRecord &record, std::string_view path, ConfigType config_type) {
    record.ProductID = attributes.product_id;
    record.VendorID = attributes.vendor_id;
    record.VersionNumber = attributes.version_number;

    fill_input_layout(device, record);
    fill_path(record, path);

    fill_manufacturer(device, record);
    fill_product(device, attributes, record);

    switch (config_type) {
    case ConfigType::Standard:
        detection_log::write("CFG_TYPE : DT_STANDARD\n");
        // A dual USB adapter's second interface is kept: it is no configuration interface.
        if (names_config_interface(record) &&
            !catalogue::has_trait(attributes.product_id, catalogue::kDualAdapter))
            return reject(record);
        record.IsConfigInterface = 0;
        break;
    case ConfigType::Flash:
        detection_log::write("CFG_TYPE : DT_FLASH\n");
        record.IsConfigInterface = 0;
        break;
    case ConfigType::Devices:
        detection_log::write("CFG_TYPE : DT_DEVICES\n");
        assign_product_name(attributes, record); // sets ProductNameLength too
        if (!names_config_interface(record))
            return reject(record);
        record.IsConfigInterface = 1;
        break;
    case ConfigType::Report:
        detection_log::write("CFG_TYPE : DT_REPORT\n");
        assign_product_name(attributes, record); // sets ProductNameLength too
        record.IsConfigInterface = 1;
        break;
    }

    fill_serial(device, record);
    return 1;
}

} // namespace panelink
