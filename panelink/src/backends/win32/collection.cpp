#include "backends/win32/collection.h"

#include <algorithm>
#include <vector>

namespace panelink::platform::windows {
namespace {

// Data items one HidP_GetData call may return (the decoder asks for 256).
constexpr ULONG kMaxDataItems = 256;

// The fields HIDP_BUTTON_CAPS and HIDP_VALUE_CAPS share.
template <typename Caps> hid::Capability common_fields(const Caps &caps) {
    hid::Capability cap;
    cap.is_range = caps.IsRange != FALSE;
    cap.is_absolute = caps.IsAbsolute != FALSE;
    cap.report_id = caps.ReportID;
    cap.usage_page = caps.UsagePage;
    cap.link_collection = caps.LinkCollection;
    cap.link_usage = caps.LinkUsage;
    cap.link_usage_page = caps.LinkUsagePage;
    cap.bit_field = caps.BitField;
    if (cap.is_range) {
        cap.usage_min = caps.Range.UsageMin;
        cap.usage_max = caps.Range.UsageMax;
        cap.data_index_min = caps.Range.DataIndexMin;
        cap.data_index_max = caps.Range.DataIndexMax;
    } else {
        cap.usage_min = cap.usage_max = caps.NotRange.Usage;
        cap.data_index_min = cap.data_index_max = caps.NotRange.DataIndex;
    }
    return cap;
}

hid::Capability from_button(const HIDP_BUTTON_CAPS &caps) {
    hid::Capability cap = common_fields(caps);
    cap.is_button = true;
    cap.bit_size = 1;
    cap.report_count = static_cast<uint16_t>(cap.data_index_max - cap.data_index_min + 1);
    return cap;
}

hid::Capability from_value(const HIDP_VALUE_CAPS &caps) {
    hid::Capability cap = common_fields(caps);
    cap.bit_size = caps.BitSize;
    cap.report_count = caps.ReportCount;
    cap.logical_min = caps.LogicalMin;
    cap.logical_max = caps.LogicalMax;
    cap.physical_min = caps.PhysicalMin;
    cap.physical_max = caps.PhysicalMax;
    cap.units = caps.Units;
    cap.units_exponent = caps.UnitsExp;
    return cap;
}

void add_capabilities(PHIDP_PREPARSED_DATA preparsed, HIDP_REPORT_TYPE type, USHORT buttons,
                      USHORT values, std::vector<hid::Capability> &out) {
    if (buttons > 0) {
        std::vector<HIDP_BUTTON_CAPS> caps(buttons);
        USHORT count = buttons;
        if (HidP_GetSpecificButtonCaps(type, 0, 0, 0, caps.data(), &count, preparsed) ==
            HIDP_STATUS_SUCCESS)
            for (USHORT i = 0; i < std::min(count, buttons); ++i)
                out.push_back(from_button(caps[i]));
    }
    if (values > 0) {
        std::vector<HIDP_VALUE_CAPS> caps(values);
        USHORT count = values;
        if (HidP_GetValueCaps(type, caps.data(), &count, preparsed) == HIDP_STATUS_SUCCESS)
            for (USHORT i = 0; i < std::min(count, values); ++i)
                out.push_back(from_value(caps[i]));
    }
}

} // namespace

HidCollection::~HidCollection() {
    if (preparsed_ != nullptr)
        HidD_FreePreparsedData(preparsed_);
}

bool HidCollection::load(HANDLE file) {
    if (!HidD_GetPreparsedData(file, &preparsed_)) {
        preparsed_ = nullptr;
        return false;
    }
    HIDP_CAPS caps{};
    if (HidP_GetCaps(preparsed_, &caps) != HIDP_STATUS_SUCCESS) {
        HidD_FreePreparsedData(preparsed_);
        preparsed_ = nullptr;
        return false;
    }
    collection_.usage = caps.Usage;
    collection_.usage_page = caps.UsagePage;
    collection_.input_report_byte_length = caps.InputReportByteLength;
    collection_.output_report_byte_length = caps.OutputReportByteLength;
    collection_.feature_report_byte_length = caps.FeatureReportByteLength;
    add_capabilities(preparsed_, HidP_Input, caps.NumberInputButtonCaps, caps.NumberInputValueCaps,
                     collection_.caps[static_cast<size_t>(hid::ReportType::Input)]);
    add_capabilities(preparsed_, HidP_Output, caps.NumberOutputButtonCaps,
                     caps.NumberOutputValueCaps,
                     collection_.caps[static_cast<size_t>(hid::ReportType::Output)]);
    add_capabilities(preparsed_, HidP_Feature, caps.NumberFeatureButtonCaps,
                     caps.NumberFeatureValueCaps,
                     collection_.caps[static_cast<size_t>(hid::ReportType::Feature)]);
    return true;
}

size_t HidCollection::input_data(const uint8_t *report, size_t length, hid::DataItem *out,
                                 size_t capacity) const {
    if (preparsed_ == nullptr || report == nullptr || out == nullptr || length == 0 ||
        length > 0xFFFFu)
        return 0;
    // Zeroed first: for a button Windows sets only the On byte of the value.
    HIDP_DATA items[kMaxDataItems] = {};
    ULONG count = kMaxDataItems;
    // HidP_GetData takes a non-const report but only reads it.
    char *bytes = reinterpret_cast<char *>(const_cast<uint8_t *>(report));
    if (HidP_GetData(HidP_Input, items, &count, preparsed_, bytes, static_cast<ULONG>(length)) !=
        HIDP_STATUS_SUCCESS)
        return 0;
    const size_t delivered = std::min<size_t>({count, kMaxDataItems, capacity});
    for (size_t i = 0; i < delivered; ++i) {
        out[i].data_index = items[i].DataIndex;
        out[i].value = items[i].RawValue;
    }
    return delivered;
}

} // namespace panelink::platform::windows
