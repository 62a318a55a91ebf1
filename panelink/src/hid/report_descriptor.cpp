// HID report-descriptor parser: walks the items of a descriptor and builds, per top-level
// collection, the capabilities and report lengths that the Windows HID parser reports.
//
// Windows' conventions that the results follow:
// - Every report starts with its report ID byte, a 0 byte when the device has no report IDs,
//   so byte positions count from 1 and report byte lengths include that byte.
// - Data indices are numbered per top-level collection and report type, from 0, in capability
//   order; input, output and feature controls are numbered independently.
// - A main item with several usages gets one capability per usage (a single usage or a range),
//   emitted from the last usage to the first. For a variable field each usage takes its
//   controls in descriptor order (a range one per usage, the last usage every control left) and
//   the data indices follow the capability order. For an array field every capability covers
//   the whole field, and the data indices follow the usage order, since the control values
//   select usages in that order.
// - A 1-bit variable field and every array field are button capabilities; other variable
//   fields are value capabilities. Constant fields without a usage are padding and get none.
#include "hid/report_descriptor.h"

#include <algorithm>
#include <array>
#include <bitset>

#include "hid/descriptor_items.h"

namespace panelink::hid {
namespace {

// Bounds that keep hostile descriptors from taking memory or time without limit. Real devices
// stay far below them.
constexpr uint32_t kMaxReportBytes = 4096; // data bytes of one report, report ID byte excluded
constexpr uint32_t kMaxReportBits = kMaxReportBytes * 8;
constexpr uint32_t kMaxReportSize = 256; // bits of one control
constexpr size_t kMaxUsagesPerItem = 4096;
constexpr size_t kMaxCollectionDepth = 64;
constexpr size_t kMaxPushDepth = 16;
constexpr uint32_t kMaxDataIndices = 0x10000; // data indices are 16-bit

struct GlobalState {
    uint16_t usage_page = 0;
    int32_t logical_min = 0;
    int32_t logical_max = 0;
    int32_t physical_min = 0;
    int32_t physical_max = 0;
    uint32_t unit = 0;
    uint32_t unit_exponent = 0;
    uint32_t report_size = 0;
    uint32_t report_count = 0;
    uint8_t report_id = 0;
};

// One usage or usage range of the local state. A usage given with 16 bits or fewer takes the
// usage page that is current when the main item is reached.
struct UsageEntry {
    bool has_page = false;
    uint16_t page = 0;
    uint16_t min = 0;
    uint16_t max = 0;
    bool is_range = false;
    uint32_t span() const { return static_cast<uint32_t>(max) - min + 1; }
};

struct LocalState {
    std::vector<UsageEntry> usages;
    bool has_min = false, has_max = false;
    uint32_t min_value = 0, max_value = 0;
    uint8_t min_size = 0, max_size = 0;
    bool in_delimiter = false;
    size_t usages_at_delimiter = 0;

    void clear() {
        usages.clear();
        has_min = has_max = false;
        in_delimiter = false;
    }
};

struct LinkNode {
    uint16_t number = 0; // link collection number within the top-level collection
    uint16_t usage = 0;
    uint16_t usage_page = 0;
};

// What is being built for the top-level collection that is currently open.
struct OpenCollection {
    Collection collection;
    uint32_t next_data_index[3] = {0, 0, 0};
    uint16_t link_count = 0;                      // link collections so far, the top level included
    std::array<std::bitset<256>, 3> reports_used; // report IDs per report type
};

class Parser {
  public:
    Parser(ReportDescriptor &out, std::string &error) : out_(out), error_(error) {}

    bool run(const uint8_t *data, size_t length);

  private:
    bool fail(const char *reason) {
        error_ = reason;
        return false;
    }
    bool global_item(const Item &item);
    bool local_item(const Item &item);
    bool main_item(const Item &item);
    bool open_collection();
    bool close_collection();
    bool add_field(ReportType type, uint32_t flags);
    bool add_array_caps(int type, const std::vector<UsageEntry> &entries, const Capability &base,
                        uint32_t first_bit, uint32_t count);
    bool add_variable_caps(int type, const std::vector<UsageEntry> &entries, const Capability &base,
                           uint32_t first_bit, uint32_t size, uint32_t count);
    bool take_usages(std::vector<UsageEntry> &entries);
    void finish_collection();
    Capability base_cap(uint32_t flags) const;

    ReportDescriptor &out_;
    std::string &error_;
    GlobalState global_;
    std::vector<GlobalState> pushed_;
    LocalState local_;
    std::vector<LinkNode> links_; // open collections, the top-level one first
    OpenCollection current_;
    uint32_t report_bits_[3][256] = {};
};

bool Parser::run(const uint8_t *data, size_t length) {
    if (data == nullptr || length == 0) {
        return fail("empty report descriptor");
    }
    size_t pos = 0;
    while (pos < length) {
        Item item;
        bool is_long = false;
        if (!read_item(data, length, pos, item, is_long)) {
            return fail("item runs past the end of the report descriptor");
        }
        if (is_long) {
            continue;
        }
        bool ok = true;
        switch (item.type) {
        case ItemType::Main:
            ok = main_item(item);
            break;
        case ItemType::Global:
            ok = global_item(item);
            break;
        case ItemType::Local:
            ok = local_item(item);
            break;
        case ItemType::Reserved:
            break;
        }
        if (!ok) {
            return false;
        }
    }
    if (!links_.empty()) {
        return fail("collection not closed at the end of the report descriptor");
    }
    if (out_.collections.empty()) {
        return fail("report descriptor has no top-level collection");
    }
    return true;
}

bool Parser::global_item(const Item &item) {
    switch (item.tag) {
    case global_tag::UsagePage:
        global_.usage_page = static_cast<uint16_t>(item.value);
        break;
    case global_tag::LogicalMin:
        global_.logical_min = item.signed_value();
        break;
    case global_tag::LogicalMax:
        global_.logical_max = item.signed_value();
        break;
    case global_tag::PhysicalMin:
        global_.physical_min = item.signed_value();
        break;
    case global_tag::PhysicalMax:
        global_.physical_max = item.signed_value();
        break;
    case global_tag::UnitExponent:
        global_.unit_exponent = item.value;
        break;
    case global_tag::Unit:
        global_.unit = item.value;
        break;
    case global_tag::ReportSize:
        global_.report_size = item.value;
        break;
    case global_tag::ReportCount:
        global_.report_count = item.value;
        break;
    case global_tag::ReportId:
        if (item.value == 0 || item.value > 0xFF) {
            return fail("report ID outside 1 to 255");
        }
        global_.report_id = static_cast<uint8_t>(item.value);
        break;
    case global_tag::Push:
        if (pushed_.size() >= kMaxPushDepth) {
            return fail("push nested too deeply");
        }
        pushed_.push_back(global_);
        break;
    case global_tag::Pop:
        if (pushed_.empty()) {
            return fail("pop without push");
        }
        global_ = pushed_.back();
        pushed_.pop_back();
        break;
    default:
        break;
    }
    return true;
}

bool Parser::local_item(const Item &item) {
    switch (item.tag) {
    case local_tag::Usage: {
        if (local_.usages.size() >= kMaxUsagesPerItem) {
            return fail("too many usages for one item");
        }
        UsageEntry entry;
        entry.has_page = item.size == 4;
        entry.page = static_cast<uint16_t>(item.value >> 16);
        entry.min = entry.max = static_cast<uint16_t>(item.value);
        local_.usages.push_back(entry);
        break;
    }
    case local_tag::UsageMin:
        local_.has_min = true;
        local_.min_value = item.value;
        local_.min_size = item.size;
        break;
    case local_tag::UsageMax:
        local_.has_max = true;
        local_.max_value = item.value;
        local_.max_size = item.size;
        break;
    case local_tag::Delimiter:
        if (item.value == 1) {
            if (local_.in_delimiter) {
                return fail("delimiter set opened twice");
            }
            local_.in_delimiter = true;
            local_.usages_at_delimiter = local_.usages.size();
        } else if (item.value == 0) {
            if (!local_.in_delimiter) {
                return fail("delimiter set closed without being opened");
            }
            // Alternative usages of one control: the first one stands for the control.
            if (local_.usages.size() > local_.usages_at_delimiter + 1) {
                local_.usages.resize(local_.usages_at_delimiter + 1);
            }
            local_.in_delimiter = false;
        } else {
            return fail("delimiter value other than open or close");
        }
        return true;
    default: // designator and string items carry nothing the capabilities use
        return true;
    }
    if (local_.has_min && local_.has_max) {
        UsageEntry entry;
        entry.is_range = true;
        entry.has_page = local_.min_size == 4;
        entry.page = static_cast<uint16_t>(local_.min_value >> 16);
        entry.min = static_cast<uint16_t>(local_.min_value);
        entry.max = static_cast<uint16_t>(local_.max_value);
        local_.has_min = local_.has_max = false;
        if (entry.max < entry.min) {
            return fail("usage minimum above usage maximum");
        }
        if (local_.max_size == 4 &&
            (local_.min_size != 4 || entry.page != local_.max_value >> 16)) {
            return fail("usage range spans usage pages");
        }
        if (local_.usages.size() >= kMaxUsagesPerItem) {
            return fail("too many usages for one item");
        }
        local_.usages.push_back(entry);
    }
    return true;
}

bool Parser::main_item(const Item &item) {
    bool ok = true;
    switch (item.tag) {
    case main_tag::Input:
        ok = add_field(ReportType::Input, item.value);
        break;
    case main_tag::Output:
        ok = add_field(ReportType::Output, item.value);
        break;
    case main_tag::Feature:
        ok = add_field(ReportType::Feature, item.value);
        break;
    case main_tag::Collection:
        ok = open_collection();
        break;
    case main_tag::EndCollection:
        ok = close_collection();
        break;
    default:
        break;
    }
    local_.clear();
    return ok;
}

// Resolves the local usages to the entries of one main item, each with its usage page.
bool Parser::take_usages(std::vector<UsageEntry> &entries) {
    if (local_.in_delimiter) {
        return fail("delimiter set not closed before a main item");
    }
    entries = local_.usages;
    for (UsageEntry &entry : entries) {
        if (!entry.has_page) {
            entry.page = global_.usage_page;
        }
    }
    return true;
}

bool Parser::open_collection() {
    if (links_.size() >= kMaxCollectionDepth) {
        return fail("collections nested too deeply");
    }
    std::vector<UsageEntry> entries;
    if (!take_usages(entries)) {
        return false;
    }
    LinkNode node;
    node.usage_page = global_.usage_page;
    if (!entries.empty()) {
        node.usage = entries.front().min;
        node.usage_page = entries.front().page;
    }
    if (links_.empty()) {
        current_ = OpenCollection{};
        current_.collection.usage = node.usage;
        current_.collection.usage_page = node.usage_page;
        current_.link_count = 1;
    } else {
        if (current_.link_count == 0xFFFF) {
            return fail("too many collections");
        }
        node.number = current_.link_count++;
    }
    links_.push_back(node);
    return true;
}

bool Parser::close_collection() {
    if (links_.empty()) {
        return fail("end collection without an open collection");
    }
    links_.pop_back();
    if (links_.empty()) {
        finish_collection();
    }
    return true;
}

// Sets the report byte lengths of the finished top-level collection and hands it over.
void Parser::finish_collection() {
    uint16_t *lengths[3] = {&current_.collection.input_report_byte_length,
                            &current_.collection.output_report_byte_length,
                            &current_.collection.feature_report_byte_length};
    for (int type = 0; type < 3; ++type) {
        uint32_t longest = 0;
        bool any = false;
        for (int id = 0; id < 256; ++id) {
            if (current_.reports_used[type][id]) {
                any = true;
                longest = std::max(longest, (report_bits_[type][id] + 7) / 8);
            }
        }
        *lengths[type] = any ? static_cast<uint16_t>(longest + 1) : 0;
    }
    out_.collections.push_back(std::move(current_.collection));
    current_ = OpenCollection{};
}

Capability Parser::base_cap(uint32_t flags) const {
    Capability cap;
    const LinkNode &link = links_.back();
    cap.is_absolute = (flags & kFlagRelative) == 0;
    cap.report_id = global_.report_id;
    cap.link_collection = link.number;
    cap.link_usage = link.usage;
    cap.link_usage_page = link.usage_page;
    cap.bit_size = static_cast<uint16_t>(global_.report_size);
    cap.bit_field = static_cast<uint16_t>(flags);
    cap.logical_min = global_.logical_min;
    cap.logical_max = global_.logical_max;
    cap.physical_min = global_.physical_min;
    cap.physical_max = global_.physical_max;
    cap.units = global_.unit;
    cap.units_exponent = global_.unit_exponent;
    return cap;
}

bool Parser::add_field(ReportType type, uint32_t flags) {
    if (links_.empty()) {
        return fail("input, output or feature item outside a collection");
    }
    std::vector<UsageEntry> entries;
    if (!take_usages(entries)) {
        return false;
    }
    const uint32_t size = global_.report_size;
    const uint32_t count = global_.report_count;
    if (size > kMaxReportSize) {
        return fail("report size above 256 bits");
    }
    if (count > kMaxReportBits) {
        return fail("report count too large");
    }
    const int t = static_cast<int>(type);
    uint32_t &report_bits = report_bits_[t][global_.report_id];
    const uint32_t field_bits = size * count; // both bounded, no overflow
    if (field_bits > kMaxReportBits - report_bits) {
        return fail("report longer than 4096 bytes");
    }
    const uint32_t first_bit = report_bits + 8; // the report ID byte comes first
    report_bits += field_bits;
    current_.reports_used[t][global_.report_id] = true;
    if (field_bits == 0) {
        return true;
    }

    bool has_usage = false;
    for (const UsageEntry &entry : entries) {
        has_usage = has_usage || entry.is_range || entry.min != 0;
    }
    if ((flags & kFlagConstant) != 0 && !has_usage) {
        return true; // padding
    }
    if (entries.empty()) {
        UsageEntry none;
        none.page = global_.usage_page;
        entries.push_back(none);
    }

    const Capability base = base_cap(flags);
    if ((flags & kFlagVariable) == 0) {
        return add_array_caps(t, entries, base, first_bit, count);
    }
    return add_variable_caps(t, entries, base, first_bit, size, count);
}

// An array field: one capability per usage entry, all sharing the field's controls, which hold
// indices into the usages of all entries together.
bool Parser::add_array_caps(int type, const std::vector<UsageEntry> &entries,
                            const Capability &base, uint32_t first_bit, uint32_t count) {
    std::vector<Capability> &caps = current_.collection.caps[type];
    uint32_t &next_index = current_.next_data_index[type];
    uint32_t total = 0;
    for (const UsageEntry &entry : entries) {
        total += entry.span(); // at most 4096 * 65536
    }
    if (total > kMaxDataIndices - next_index) {
        return fail("too many data indices");
    }
    uint32_t offset = total;
    for (size_t i = entries.size(); i-- > 0;) {
        const UsageEntry &entry = entries[i];
        offset -= entry.span();
        Capability cap = base;
        cap.is_button = true;
        cap.is_range = entry.is_range;
        cap.usage_page = entry.page;
        cap.usage_min = entry.min;
        cap.usage_max = entry.max;
        cap.data_index_min = static_cast<uint16_t>(next_index + offset);
        cap.data_index_max = static_cast<uint16_t>(next_index + offset + entry.span() - 1);
        cap.array_index_offset = offset;
        cap.is_multiple_items_for_array = i != 0;
        cap.byte_position = static_cast<uint16_t>(first_bit / 8);
        cap.bit_position = static_cast<uint8_t>(first_bit % 8);
        cap.report_count = static_cast<uint16_t>(count);
        caps.push_back(cap);
    }
    next_index += total;
    return true;
}

// A variable field: the controls are handed out to the usages in descriptor order, one
// capability per usage entry that gets any.
bool Parser::add_variable_caps(int type, const std::vector<UsageEntry> &entries,
                               const Capability &base, uint32_t first_bit, uint32_t size,
                               uint32_t count) {
    std::vector<Capability> &caps = current_.collection.caps[type];
    uint32_t &next_index = current_.next_data_index[type];
    struct Share {
        UsageEntry entry;
        uint32_t first_control;
        uint32_t controls;
    };
    std::vector<Share> shares;
    uint32_t control = 0;
    for (size_t i = 0; i < entries.size() && control < count; ++i) {
        UsageEntry entry = entries[i];
        const bool last = i + 1 == entries.size();
        uint32_t controls = last ? count - control : std::min(entry.span(), count - control);
        if (!last && controls < entry.span()) {
            entry.max = static_cast<uint16_t>(entry.min + controls - 1);
        }
        shares.push_back({entry, control, controls});
        control += controls;
    }
    for (size_t i = shares.size(); i-- > 0;) {
        const Share &share = shares[i];
        if (share.entry.span() > kMaxDataIndices - next_index) {
            return fail("too many data indices");
        }
        const uint32_t bit = first_bit + share.first_control * size;
        Capability cap = base;
        cap.is_button = size == 1;
        cap.is_range = share.entry.is_range;
        cap.usage_page = share.entry.page;
        cap.usage_min = share.entry.min;
        cap.usage_max = share.entry.max;
        cap.data_index_min = static_cast<uint16_t>(next_index);
        cap.data_index_max = static_cast<uint16_t>(next_index + share.entry.span() - 1);
        cap.byte_position = static_cast<uint16_t>(bit / 8);
        cap.bit_position = static_cast<uint8_t>(bit % 8);
        cap.report_count = static_cast<uint16_t>(share.controls);
        caps.push_back(cap);
        next_index += share.entry.span();
    }
    return true;
}

} // namespace

bool read_item(const uint8_t *data, size_t length, size_t &pos, Item &item, bool &is_long) {
    const uint8_t prefix = data[pos];
    if (prefix == 0xFE) { // long item: prefix, data size, tag, data
        if (length - pos < 3 || length - pos - 3 < data[pos + 1]) {
            return false;
        }
        pos += 3 + static_cast<size_t>(data[pos + 1]);
        is_long = true;
        return true;
    }
    is_long = false;
    const uint8_t size_code = prefix & 0x03;
    item.size = size_code == 3 ? 4 : size_code;
    if (length - pos - 1 < item.size) {
        return false;
    }
    item.type = static_cast<ItemType>((prefix >> 2) & 0x03);
    item.tag = prefix >> 4;
    item.value = 0;
    for (uint8_t i = 0; i < item.size; ++i) {
        item.value |= static_cast<uint32_t>(data[pos + 1 + i]) << (8 * i);
    }
    pos += 1 + item.size;
    return true;
}

bool parse_report_descriptor(const uint8_t *data, size_t length, ReportDescriptor &out,
                             std::string *error) {
    out.collections.clear();
    std::string reason;
    Parser parser(out, reason);
    const bool ok = parser.run(data, length);
    if (!ok) {
        out.collections.clear();
        if (error != nullptr) {
            *error = reason;
        }
    }
    return ok;
}

} // namespace panelink::hid
