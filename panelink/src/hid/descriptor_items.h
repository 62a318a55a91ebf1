// The items of a HID report descriptor (HID 1.11, 6.2.2): how the parser and the hidraw backend
// read them one by one, their types and tags, and the flags of the main items.
#pragma once

#include <cstddef>
#include <cstdint>

namespace panelink::hid {

enum class ItemType : uint8_t { Main = 0, Global = 1, Local = 2, Reserved = 3 };

namespace main_tag {
constexpr uint8_t Input = 0x8, Output = 0x9, Collection = 0xA, Feature = 0xB, EndCollection = 0xC;
}
namespace global_tag {
constexpr uint8_t UsagePage = 0x0, LogicalMin = 0x1, LogicalMax = 0x2, PhysicalMin = 0x3,
                  PhysicalMax = 0x4, UnitExponent = 0x5, Unit = 0x6, ReportSize = 0x7,
                  ReportId = 0x8, ReportCount = 0x9, Push = 0xA, Pop = 0xB;
}
namespace local_tag {
constexpr uint8_t Usage = 0x0, UsageMin = 0x1, UsageMax = 0x2, Delimiter = 0xA;
}

// Flags of an Input, Output or Feature item (its data), as the capabilities' bit_field too.
constexpr uint32_t kFlagConstant = 0x01;
constexpr uint32_t kFlagVariable = 0x02;
constexpr uint32_t kFlagRelative = 0x04;

// One short item.
struct Item {
    ItemType type = ItemType::Main;
    uint8_t tag = 0;
    uint8_t size = 0;   // data bytes: 0, 1, 2 or 4
    uint32_t value = 0; // data, little-endian, zero-extended
    int32_t signed_value() const {
        switch (size) {
        case 1:
            return static_cast<int8_t>(value);
        case 2:
            return static_cast<int16_t>(value);
        default:
            return static_cast<int32_t>(value);
        }
    }
    bool is(ItemType item_type, uint8_t item_tag) const {
        return type == item_type && tag == item_tag;
    }
};

// Reads the item at `pos` (below `length`) into `item` and advances past it. A long item is
// skipped whole, with `is_long` set and `item` untouched. Returns false when the item runs past
// the end of the descriptor.
bool read_item(const uint8_t *data, size_t length, size_t &pos, Item &item, bool &is_long);

} // namespace panelink::hid
