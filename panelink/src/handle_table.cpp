#include "handle_table.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <shared_mutex>
#include <utility>

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

// Slots live in chunks that are allocated as the table grows and never move, so a slot can be
// looked at without the table's lock while another thread adds chunks.
constexpr size_t kChunkSlots = 256;
constexpr size_t kChunks = (kMaxSlots + kChunkSlots - 1) / kChunkSlots;

struct Slot {
    // The id while the slot's device is open, else 0. Written under the table's lock; read
    // without it by is_open().
    std::atomic<uint32_t> open_id{0};
    uint16_t generation = 0;                  // under the table's lock
    std::shared_ptr<platform::Device> device; // under the table's lock
    bool reserved = false;                    // held by a HandleReservation, under the table's lock
};

struct Chunk {
    std::array<Slot, kChunkSlots> slots;
};

struct Table {
    std::shared_mutex mutex; // exclusive to open or close an id, shared to take a device
    std::array<std::atomic<Chunk *>, kChunks> chunks{};
    std::array<std::unique_ptr<Chunk>, kChunks> owned; // under the lock; frees them at exit
    size_t used = 0;                                   // slots ever handed out, under the lock
    size_t open = 0;                                   // open ids, under the lock
    // No slot below this index can take a device (under the lock): the search for a free slot
    // starts here, so a table without gaps takes its next device at once.
    size_t first_maybe_free = 0;
};

Table &table() {
    static Table instance;
    return instance;
}

uint32_t make_id(size_t slot, uint16_t generation) {
    return (static_cast<uint32_t>(generation) << kSlotBits) | static_cast<uint32_t>(slot + 1);
}

// The slot at `index` (0-based), or null when its chunk does not exist. Lock-free.
Slot *slot_at(Table &t, size_t index) {
    Chunk *chunk = t.chunks[index / kChunkSlots].load(std::memory_order_acquire);
    return chunk != nullptr ? &chunk->slots[index % kChunkSlots] : nullptr;
}

// The slot whose device is open under `handle`, or null.
Slot *open_slot_of(Table &t, uint32_t handle) {
    const uint32_t index = handle & kSlotMask;
    if (handle == 0 || index == 0)
        return nullptr;
    Slot *slot = slot_at(t, index - 1);
    if (slot == nullptr || slot->open_id.load(std::memory_order_seq_cst) != handle)
        return nullptr;
    return slot;
}

// The first slot that may take a device, made when none is free; null when the table is full.
// Under the exclusive lock.
Slot *free_slot(Table &t, size_t &index) {
    for (index = t.first_maybe_free; index < t.used; ++index) {
        Slot *slot = slot_at(t, index);
        if (!slot->device && !slot->reserved && slot->generation != kLastGeneration) {
            t.first_maybe_free = index + 1;
            return slot;
        }
    }
    t.first_maybe_free = t.used;
    if (t.used >= kMaxSlots)
        return nullptr;
    const size_t chunk = index / kChunkSlots;
    if (!t.owned[chunk]) {
        t.owned[chunk] = std::make_unique<Chunk>();
        t.chunks[chunk].store(t.owned[chunk].get(), std::memory_order_release);
    }
    ++t.used;
    t.first_maybe_free = t.used;
    return slot_at(t, index);
}

// Notes that the slot at `index` may take a device again. Under the exclusive lock.
void slot_freed(Table &t, size_t index) {
    t.first_maybe_free = std::min(t.first_maybe_free, index);
}

} // namespace

HandleReservation reserve_handle() {
    Table &t = table();
    const std::lock_guard lock(t.mutex);
    size_t index = 0;
    Slot *slot = free_slot(t, index);
    if (slot == nullptr)
        return {};
    slot->generation = static_cast<uint16_t>(slot->generation + 1);
    slot->reserved = true;
    return HandleReservation(make_id(index, slot->generation));
}

HandleReservation::HandleReservation(HandleReservation &&other) noexcept
    : id_(std::exchange(other.id_, 0)) {}

HandleReservation &HandleReservation::operator=(HandleReservation &&other) noexcept {
    if (this != &other) {
        give_up();
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

HandleReservation::~HandleReservation() {
    give_up();
}

void HandleReservation::give_up() {
    if (id_ == 0)
        return;
    Table &t = table();
    const std::lock_guard lock(t.mutex);
    const size_t index = (id_ & kSlotMask) - 1;
    slot_at(t, index)->reserved = false;
    slot_freed(t, index);
    id_ = 0;
}

uint32_t HandleReservation::register_device(std::unique_ptr<platform::Device> device) {
    if (id_ == 0 || !device)
        return 0; // a device is closed on the way out, outside the lock
    const uint32_t id = std::exchange(id_, 0);
    Table &t = table();
    const std::lock_guard lock(t.mutex);
    Slot *slot = slot_at(t, (id & kSlotMask) - 1);
    slot->reserved = false;
    slot->device = std::move(device);
    slot->open_id.store(id, std::memory_order_seq_cst);
    ++t.open;
    return id;
}

uint32_t register_device(std::unique_ptr<platform::Device> device) {
    if (!device)
        return 0;
    HandleReservation reservation = reserve_handle();
    return reservation.register_device(std::move(device)); // a full table closes the device
}

std::shared_ptr<platform::Device> acquire_device(uint32_t handle) {
    Table &t = table();
    std::shared_lock lock(t.mutex);
    Slot *slot = open_slot_of(t, handle);
    return slot != nullptr ? slot->device : nullptr;
}

bool is_open(uint32_t handle) {
    return open_slot_of(table(), handle) != nullptr;
}

bool close_device(uint32_t handle) {
    Table &t = table();
    std::shared_ptr<platform::Device> closing;
    {
        std::unique_lock lock(t.mutex);
        Slot *slot = open_slot_of(t, handle);
        if (slot == nullptr)
            return false;
        slot->open_id.store(0, std::memory_order_seq_cst);
        closing = std::move(slot->device);
        --t.open;
        slot_freed(t, (handle & kSlotMask) - 1);
    }
    // Destroying the device (when no call holds it) may wait for its system handle: never
    // under the table's lock.
    closing.reset();
    return true;
}

size_t open_device_count() {
    Table &t = table();
    std::shared_lock lock(t.mutex);
    return t.open;
}

} // namespace panelink
