// ReadInputData: a read that never blocks. Each DeviceIndex owns one poll slot that keeps one
// outstanding read; every call looks at it once (0 ms wait) and reports what it found.
//
// Threads: each slot has a lock of its own, held for one call (which never blocks), so polls of
// different DeviceIndex positions never wait for each other. A slot keeps the device of its
// read (shared with the handle table) for as long as the read is outstanding, and on each call
// checks without a lock that the record's handle is still open, so the hot path takes one
// uncontended lock, makes no handle-table look-up and allocates nothing.
#include "polled_reads.h"

#include <cstdint>
#include <memory>
#include <mutex>

#include <panelink/panelink.h>

#include "backends/platform.h"
#include "handle_table.h"
#include "input_decoding.h"
#include "spin_lock.h"

namespace panelink {
namespace {

constexpr size_t kPollSlots = 128;
// A read that has brought no report for longer than this is cancelled (result 4).
constexpr uint64_t kPollTimeoutMs = 1000;

// One cache line (or more) per slot: polls of different boards on different threads do not
// share one.
struct alignas(64) PollSlot {
    SpinLock lock;
    // The handle `device` was taken for, 0 when none; written under `lock`, read without it by
    // release_polls().
    std::atomic<uint32_t> handle{0};
    bool pending = false;  // a read is outstanding on `device`
    uint64_t start_ms = 0; // when it was started, on the monotonic clock
    platform::InputRead read;
    uint8_t report[kMaxInputReportBytes] = {};
    std::shared_ptr<platform::Device> device; // kept while the slot works for `handle`
};

// Process-wide, constant-initialised (no allocation), kept for the life of the process.
PollSlot &slot_at(size_t index) {
    static PollSlot slots[kPollSlots];
    return slots[index];
}

// Forgets the slot's outstanding read, cancelling it (the slot's device is alive, as the slot
// holds it, even when its handle has been closed).
void abandon(PollSlot &slot) {
    if (!slot.pending)
        return;
    if (slot.device)
        slot.device->cancel_read(slot.read);
    slot.pending = false;
}

// Abandons the read and lets go of the device. The device is destroyed here when neither the
// handle table nor another call holds it any more.
void release(PollSlot &slot) {
    abandon(slot);
    slot.handle.store(0, std::memory_order_seq_cst);
    slot.device.reset();
}

// The device of `handle` for this slot: the one it holds while the handle is open, else the
// table's (null when the handle is not open).
platform::Device *device_for(PollSlot &slot, uint32_t handle) {
    if (slot.device && slot.handle.load(std::memory_order_relaxed) == handle && is_open(handle))
        return slot.device.get();
    release(slot);
    std::shared_ptr<platform::Device> device = acquire_device(handle);
    if (!device)
        return nullptr;
    slot.device = std::move(device);
    // Published before the handle is checked once more: a close that did not see this slot
    // hold the handle has closed it before this check, which then fails (release_polls).
    slot.handle.store(handle, std::memory_order_seq_cst);
    if (!is_open(handle)) {
        release(slot);
        return nullptr;
    }
    return slot.device.get();
}

// Starts the next read of `record` into the slot. False when the device refuses to start it.
bool start(PollSlot &slot, const DeviceRecord &record, platform::Device &device) {
    slot.read.buffer = slot.report;
    slot.read.length = record.InputReportByteLength;
    slot.read.transferred = 0;
    if (!device.start_read(slot.read)) {
        slot.pending = false;
        return false;
    }
    slot.pending = true;
    slot.start_ms = platform::backend().now_ms();
    return true;
}

int32_t poll(PollSlot &slot, DeviceRecord &record, uint8_t *input_states, int32_t packed,
             platform::Device &device) {
    switch (device.wait_read(slot.read, 0)) {
    case platform::WaitResult::Completed:
        slot.pending = false; // the read is over
        // A report the decoder refuses (the board has no parsed report descriptor) decodes
        // nothing: the caller's buffer is untouched, so the poll fails, and the next call
        // starts a new read.
        if (!decode_input_report(device, &record, input_states, slot.report, slot.read.transferred,
                                 packed))
            return PANELINK_READ_FAILED;
        // The report is delivered even when the next read cannot be started; the next call
        // then tries again and reports the failure.
        start(slot, record, device);
        return PANELINK_READ_DECODED;
    case platform::WaitResult::TimedOut:
        if (platform::backend().now_ms() - slot.start_ms <= kPollTimeoutMs)
            return PANELINK_READ_PENDING;
        abandon(slot);
        return PANELINK_READ_TIMED_OUT;
    case platform::WaitResult::Failed:
        break;
    }
    abandon(slot);
    return PANELINK_READ_FAILED;
}

} // namespace

void release_polls(uint32_t handle) {
    if (handle == 0)
        return;
    for (size_t i = 0; i < kPollSlots; ++i) {
        PollSlot &slot = slot_at(i);
        if (slot.handle.load(std::memory_order_seq_cst) != handle)
            continue;
        // Kept past the lock, so that the device (when this was its last holder) is closed
        // without holding up the slot's next poll.
        std::shared_ptr<platform::Device> closing;
        std::lock_guard guard(slot.lock);
        if (slot.handle.load(std::memory_order_relaxed) == handle) {
            closing = slot.device;
            release(slot);
        }
    }
}

} // namespace panelink

extern "C" PANELINK_API int32_t PANELINK_CALL ReadInputData(DeviceRecord *record,
                                                            uint8_t *input_states, int32_t packed) {
    using namespace panelink;
    if (record == nullptr || input_states == nullptr || record->DeviceIndex >= kPollSlots)
        return PANELINK_READ_FAILED;
    PollSlot &slot = slot_at(record->DeviceIndex);
    std::lock_guard guard(slot.lock);
    const uint32_t handle = record_handle(*record);

    // A read started on another handle (the board was closed or enumerated again) belongs to
    // that handle: its buffer is never decoded for this one.
    if (slot.handle.load(std::memory_order_relaxed) != handle)
        release(slot);

    platform::Device *device = device_for(slot, handle);
    if (device == nullptr || !input_report_length_supported(record->InputReportByteLength)) {
        release(slot);
        return PANELINK_READ_FAILED;
    }
    if (!slot.pending)
        return start(slot, *record, *device) ? PANELINK_READ_PENDING : PANELINK_READ_FAILED;
    return poll(slot, *record, input_states, packed, *device);
}
