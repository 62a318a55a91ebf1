// The library's handle table: maps the 32-bit ids stored in DeviceRecord::Handle to open
// platform devices. Ids are nonzero; a closed or never-issued id is refused, never dereferenced.
//
// Every function may be called from any thread. The table holds each device through a
// shared_ptr: a call that has taken a device with acquire_device() keeps it alive while a
// concurrent close_device() removes it from the table, and the device is closed when the last
// such call lets go of it. Whether an id is still open can be asked without a lock
// (is_open), which is what the polled read does on every call.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <panelink/panelink.h>

#include "backends/platform.h"

namespace panelink {

// A table slot held for a device that is not registered yet: enumeration reserves one before
// it fills a record from the device, so that a full table is known before anything of the
// device is logged, and registers the device once its record is kept. The reservation fixes the
// id the device gets. One given up without registering (its destructor does that) frees its
// slot again; the slot's next id is then a later one, as after a device registered and closed.
class HandleReservation {
  public:
    HandleReservation() = default; // empty: no slot
    HandleReservation(HandleReservation &&other) noexcept;
    HandleReservation &operator=(HandleReservation &&other) noexcept;
    ~HandleReservation();

    // False when the table was full.
    explicit operator bool() const { return id_ != 0; }

    // Takes ownership of an open device and registers it under the reserved id, which it
    // returns; the reservation is used up. Returns 0 for an empty reservation or a null device
    // (a device is then closed).
    uint32_t register_device(std::unique_ptr<platform::Device> device);

  private:
    friend HandleReservation reserve_handle();
    explicit HandleReservation(uint32_t id) : id_(id) {}
    void give_up();

    uint32_t id_ = 0;
};

// Reserves a slot for one device; an empty reservation when the table is full.
HandleReservation reserve_handle();

// Takes ownership of an open device and returns its new id (never 0). Returns 0 when the
// table is full (the device is then closed).
uint32_t register_device(std::unique_ptr<platform::Device> device);

// The open device behind `handle`, shared with the table, or null for 0, a closed or an unknown
// id. The device stays usable for as long as the caller holds it, even once the id is closed.
std::shared_ptr<platform::Device> acquire_device(uint32_t handle);

// True while `handle` is open. Lock-free and allocation-free.
bool is_open(uint32_t handle);

// Closes the id: later lookups of it fail. The device itself is closed once no call holds it
// any more (at once when none does). False when the id is not open.
bool close_device(uint32_t handle);

// Number of open ids (for leak checks).
size_t open_device_count();

// DeviceRecord::Handle as the library reads and clears it: atomically, so that CloseDevices()
// on one thread may clear the Handle of a record that another thread's call is reading.
inline uint32_t record_handle(const DeviceRecord &record) {
    // The record is the caller's, never a const object: the C interface takes it writable.
    return std::atomic_ref<uint32_t>(const_cast<uint32_t &>(record.Handle))
        .load(std::memory_order_relaxed);
}
inline uint32_t take_record_handle(DeviceRecord &record) {
    return std::atomic_ref<uint32_t>(record.Handle).exchange(0, std::memory_order_relaxed);
}

} // namespace panelink
