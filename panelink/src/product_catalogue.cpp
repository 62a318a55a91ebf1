#include "product_catalogue.h"

#include <algorithm>
#include <string_view>

#include <panelink/panelink.h>

namespace panelink::catalogue {
namespace {

using C = LayoutCounts;

// One row per product ID, in ascending order. A field left out is empty: no configuration
// interface, no layout (all sixteen counts 0), no trait, no status query. Layout counts are in
// the order of their numbers: InputCount, LayoutCount2, PortCount, LayoutCount4 ... 16.
//
// Note that the all-devices and standard modes differ: all-devices takes a short list of
// input/output boards, standard (today) every product but the flashing identities.
// clang-format off
constexpr Product kProducts[] = {
    {.id = 0x0100, .name = "JB-100", .modes = kStandard},
    {.id = 0x0200, .name = "JB-200", .modes = kStandard},
    {.id = 0x0250, .name = "JB-250", .modes = kStandard},
    {.id = 0x0300, .name = "JB-300 USB MODULE", .modes = kAllDevices | kStandard,
     .layout = C{64, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {.id = 0x0400, .name = "JB-400", .modes = kStandard},
    {.id = 0x0500, .name = "Halcyon-256 USB MODULE", .modes = kAllDevices | kStandard,
     .layout = C{256, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {.id = 0x0510, .name = "Halcyon V2", .config_name = "Halcyon V2 CFG",
     .modes = kDevices | kAllDevices | kStandard,
     .layout = C{256, 0, 8, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {.id = 0x0520, .name = "Halcyon V3", .config_name = "Halcyon V3 CFG",
     .modes = kDevices | kAllDevices | kStandard,
     .layout = C{256, 0, 8, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {.id = 0x0600, .name = "Zephyr - USB Adapter", .modes = kStandard},
    {.id = 0x0601, .name = "Zephyr HOTAS - USB Adapter", .modes = kStandard},
    {.id = 0x0602, .name = "Zephyr - Dual USB Adapter", .modes = kStandard,
     .traits = kDualAdapter},
    {.id = 0x0603, .name = "Zephyr HOTAS - Dual USB Adapter", .modes = kStandard,
     .traits = kDualAdapter},
    {.id = 0x0700, .name = "Halcyon-64 USB MODULE", .modes = kAllDevices | kStandard,
     .layout = C{64, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {.id = 0x0710, .name = "Corvid", .config_name = "Corvid CFG",
     .modes = kDevices | kAllDevices | kStandard,
     .layout = C{192, 0, 4, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {.id = 0x0800, .name = "Lumenet", .modes = kReport | kAllDevices | kStandard,
     .layout = C{0, 360, 24, 0, 0, 0, 360, 192, 1344, 24, 48, 48, 240, 240, 1536, 96},
     .status = StatusProtocol::PortBoard},
    {.id = 0x0900, .name = "Zephyr-Lite", .modes = kStandard},
    {.id = 0x0910, .name = "Zephyr-Lite", .config_name = "Zephyr-Lite CFG",
     .modes = kDevices | kStandard,
     .layout = C{0, 12, 2, 0, 0, 8, 0, 1, 0, 0, 0, 0, 8, 0, 0, 0},
     .status = StatusProtocol::ConfigBoard},
    {.id = 0x0920, .name = "Zephyr-R2", .config_name = "Zephyr-R2 CFG",
     .modes = kDevices | kStandard},
    // Flashing identities carry the name of the board they belong to ...
    {.id = 0x1000, .name = "Zephyr-Lite", .modes = kFlash, .traits = kFlashingIdentity},
    {.id = 0x1010, .name = "Zephyr-R2", .modes = kFlash, .traits = kFlashingIdentity},
    {.id = 0x1100, .name = "Halcyon V2", .modes = kFlash, .traits = kFlashingIdentity},
    {.id = 0x1110, .name = "Halcyon V3", .modes = kFlash, .traits = kFlashingIdentity},
    {.id = 0x1200, .name = "Lumenet", .modes = kFlash, .traits = kFlashingIdentity},
    {.id = 0x1300, .name = "Corvid", .modes = kFlash, .traits = kFlashingIdentity},
    // ... spelt as the library has always spelt them: "EMBER-QL" here, "Ember-QL" for 0x1500.
    {.id = 0x1400, .name = "EMBER-QL", .modes = kFlash, .traits = kFlashingIdentity},
    {.id = 0x1500, .name = "Ember-QL", .modes = kReport | kAllDevices | kStandard,
     .layout = C{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0}},
    // The layout below is ignored: the library's layout table had this row, but its list of the
    // products that select a row of their own left 0x1600 out, so 0x1600 boards have always got
    // all sixteen counts 0. Kept so.
    {.id = 0x1600, .name = "Tandem", .config_name = "TANDEM CFG", .modes = kDevices | kStandard,
     .layout = C{15, 9, 0, 0, 0, 7, 0, 1, 8, 0, 0, 0, 0, 10, 0, 0}, .ignore_layout = true},
    // Spelt "TANDEM", where 0x1600 is "Tandem".
    {.id = 0x1700, .name = "TANDEM", .modes = kFlash, .traits = kFlashingIdentity},
};
// clang-format on

// A name with its terminator fits the record's ProductName field.
constexpr bool fits(const char *name) {
    return name == nullptr || std::string_view(name).size() < sizeof DeviceRecord::ProductName;
}

// What every row must satisfy; checked when the library is compiled.
constexpr bool well_formed(const Product &p) {
    const bool flashing = p.has(kFlashingIdentity);
    return p.name != nullptr && fits(p.name) && fits(p.config_name) && p.modes != 0 &&
           // A flashing identity is found by the flash mode alone, and the flash mode finds
           // nothing else.
           flashing == p.accepted_by(kFlash) && (!flashing || p.modes == kFlash) &&
           // It has no layout, configuration interface or status query of its own.
           (!flashing || (!p.layout && !p.has_config_interface() &&
                          p.status == StatusProtocol::None && !p.has(kDualAdapter))) &&
           // The devices mode finds exactly the products with a configuration interface.
           p.has_config_interface() == p.accepted_by(kDevices) &&
           // The configuration board is asked on its configuration interface.
           (p.status != StatusProtocol::ConfigBoard || p.has_config_interface()) &&
           // Only a layout can be ignored.
           (!p.ignore_layout || p.layout.has_value());
}

constexpr bool catalogue_is_well_formed() {
    for (size_t i = 0; i < std::size(kProducts); ++i) {
        if (!well_formed(kProducts[i]))
            return false;
        if (i > 0 && kProducts[i - 1].id >= kProducts[i].id)
            return false; // out of order, or a product ID twice
    }
    return true;
}
static_assert(catalogue_is_well_formed(), "a row of kProducts breaks a rule of well_formed()");

constexpr LayoutCounts kNoLayout{};

} // namespace

std::span<const Product> products() {
    return kProducts;
}

const Product *find(uint32_t product_id) {
    const auto row = std::ranges::lower_bound(kProducts, product_id, {}, &Product::id);
    return row != std::end(kProducts) && row->id == product_id ? row : nullptr;
}

bool accepts(Mode mode, uint32_t product_id) {
    const Product *product = find(product_id);
    return product != nullptr && product->accepted_by(mode);
}

const LayoutCounts &layout_for(uint32_t product_id) {
    const Product *product = find(product_id);
    if (product == nullptr || !product->layout || product->ignore_layout)
        return kNoLayout;
    return *product->layout;
}

bool has_trait(uint32_t product_id, Trait trait) {
    const Product *product = find(product_id);
    return product != nullptr && product->has(trait);
}

StatusProtocol status_protocol(uint32_t product_id) {
    const Product *product = find(product_id);
    return product != nullptr ? product->status : StatusProtocol::None;
}

} // namespace panelink::catalogue
