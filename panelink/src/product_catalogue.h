// The product catalogue: everything the library knows about the family's products, one row per
// product ID (product_catalogue.cpp). Detection-mode filtering, the library's product names, the
// input layout, the record filler's configuration-interface rule and status retrieval all read
// it; no other part of the library names a product ID (but for the virtual demo boards, which are
// devices to be found, not knowledge of them).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace panelink::catalogue {

// The detection modes that accept a product, as a bit set.
enum Mode : uint8_t {
    kFlash = 1u << 0,      // PANELINK_MODE_FLASH
    kDevices = 1u << 1,    // PANELINK_MODE_DEVICES
    kReport = 1u << 2,     // PANELINK_MODE_REPORT
    kAllDevices = 1u << 3, // PANELINK_MODE_ALL_DEVICES
    kStandard = 1u << 4,   // PANELINK_MODE_STANDARD (and every value that is no other mode)
};
using Modes = uint8_t;

// What a product is, beyond its names and modes (a bit set). That a product has a configuration
// interface is its configuration name (Product::config_name).
enum Trait : uint8_t {
    // The identity under which a board presents itself for firmware flashing: named after the
    // board, without a layout or a configuration interface of its own, and found by the flash
    // mode alone.
    kFlashingIdentity = 1u << 0,
    // A dual USB adapter: standard mode keeps its second interface ("MI_01" in the path), which
    // it rejects as a configuration interface for every other product.
    kDualAdapter = 1u << 1,
};
using Traits = uint8_t;

// How RetrieveStatus asks a board for the state of its ports (status.h).
enum class StatusProtocol : uint8_t {
    None,        // no query: the initial fill only
    PortBoard,   // queries its module ports two at a time
    ConfigBoard, // one query, on its configuration interface
};

// The sixteen count fields of a record in the order of their numbers: InputCount, LayoutCount2,
// PortCount, LayoutCount4, ..., LayoutCount16 (their order in the record differs, see
// input_layout.cpp).
using LayoutCounts = std::array<int16_t, 16>;

struct Product {
    uint16_t id = 0;
    // The library's name for the product (assign_product_name): used when the device gives no
    // product text, and always in the devices and report modes.
    const char *name = nullptr;
    // The name of its configuration interface, its second USB interface; null for a product
    // without one.
    const char *config_name = nullptr;
    Modes modes = 0;
    // The sixteen counts of its records; none: all sixteen 0.
    std::optional<LayoutCounts> layout = std::nullopt;
    // The layout above is never applied: the product's records get all sixteen counts 0.
    bool ignore_layout = false;
    Traits traits = 0;
    StatusProtocol status = StatusProtocol::None;

    constexpr bool accepted_by(Mode mode) const { return (modes & mode) != 0; }
    constexpr bool has_config_interface() const { return config_name != nullptr; }
    constexpr bool has(Trait trait) const { return (traits & trait) != 0; }
};

// Every row, in ascending product ID (each product ID once).
std::span<const Product> products();

// The row of `product_id`, or null for a product outside the catalogue (and for a value above
// 0xFFFF).
const Product *find(uint32_t product_id);

// True when `mode` accepts `product_id` (false for a product outside the catalogue).
bool accepts(Mode mode, uint32_t product_id);

// The counts a product's records get: its layout, or all 0 for a product without one (or
// outside the catalogue, or whose layout is ignored).
const LayoutCounts &layout_for(uint32_t product_id);

// The trait test for any product ID (false outside the catalogue).
bool has_trait(uint32_t product_id, Trait trait);

// The status protocol of a product (None outside the catalogue).
StatusProtocol status_protocol(uint32_t product_id);

} // namespace panelink::catalogue
