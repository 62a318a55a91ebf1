#include "handle_table.h"

#include <vector>

namespace panelink {
namespace {

// An id is (generation << 16) | (slot + 1): a slot reused after a close gets a new generation,
// so a stale id from an earlier open never reaches the new device.
constexpr uint32_t kSlotBits = 16;
constexpr uint32_t kSlotMask = (1u << kSlotBits) - 1;
constexpr size_t kMaxSlots = kSlotMask; // slot + 1 must fit in the low 16 bits
// A slot whose generation has reached this value is not reused: a further generation would
// wrap round to ids issued before, and a stale id would reach the new device.
constexpr uint16_t kLastGeneration = 0xFFFF;

struct Slot {
    std::unique_ptr<platform::Device> device;
    uint16_t generation = 0;
};

std::vector<Slot> &slots() {
    static std::vector<Slot> table;
    return table;
}

uint32_t make_id(size_t slot, uint16_t generation) {
    return (static_cast<uint32_t>(generation) << kSlotBits) | static_cast<uint32_t>(slot + 1);
}

Slot *slot_of(uint32_t handle) {
    uint32_t index = handle & kSlotMask;
    if (index == 0 || index > slots().size())
        return nullptr;
    Slot &slot = slots()[index - 1];
    if (!slot.device || slot.generation != static_cast<uint16_t>(handle >> kSlotBits))
        return nullptr;
    return &slot;
}

} // namespace

uint32_t register_device(std::unique_ptr<platform::Device> device) {
    if (!device)
        return 0;
    auto &table = slots();
    size_t index = 0;
    while (index < table.size() &&
           (table[index].device || table[index].generation == kLastGeneration))
        ++index;
    if (index == table.size()) {
        if (table.size() >= kMaxSlots)
            return 0;
        table.emplace_back();
    }
    Slot &slot = table[index];
    slot.generation = static_cast<uint16_t>(slot.generation + 1);
    slot.device = std::move(device);
    return make_id(index, slot.generation);
}

platform::Device *find_device(uint32_t handle) {
    Slot *slot = slot_of(handle);
    return slot ? slot->device.get() : nullptr;
}

bool close_device(uint32_t handle) {
    Slot *slot = slot_of(handle);
    if (!slot)
        return false;
    slot->device.reset();
    return true;
}

size_t open_device_count() {
    size_t count = 0;
    for (const Slot &slot : slots())
        count += slot.device ? 1 : 0;
    return count;
}

} // namespace panelink
