// ReadInputData: a read that never blocks. Each DeviceIndex owns one poll slot that keeps one
// outstanding read; every call looks at it once (0 ms wait) and reports what it found.
#include <cstdint>

#include <panelink/panelink.h>

#include "backends/platform.h"
#include "handle_table.h"
#include "input_decoding.h"

namespace panelink {
namespace {

constexpr size_t kPollSlots = 128;
// A read that has brought no report for longer than this is cancelled (result 4).
constexpr uint64_t kPollTimeoutMs = 1000;

struct PollSlot {
    bool pending = false;  // a read is outstanding on `handle`
    uint32_t handle = 0;   // the record handle the outstanding read was started on
    uint64_t start_ms = 0; // when it was started, on the monotonic clock
    platform::InputRead read;
    uint8_t report[kMaxInputReportBytes] = {};
};

// Process-wide, constant-initialised (no allocation), kept for the life of the process.
PollSlot &slot_at(size_t index) {
    static PollSlot slots[kPollSlots];
    return slots[index];
}

// Forgets the slot's outstanding read. The read is cancelled when its device is still open; a
// closed device has already released it.
void abandon(PollSlot &slot) {
    if (!slot.pending)
        return;
    if (platform::Device *device = find_device(slot.handle))
        device->cancel_read(slot.read);
    slot.pending = false;
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
    slot.handle = record.Handle;
    slot.start_ms = platform::backend().now_ms();
    return true;
}

int32_t poll(PollSlot &slot, DeviceRecord &record, uint8_t *input_states, int32_t packed,
             platform::Device &device) {
    switch (device.wait_read(slot.read, 0)) {
    case platform::WaitResult::Completed:
        decode_input_report(&record, input_states, slot.report, slot.read.transferred, packed);
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
} // namespace panelink

extern "C" PANELINK_API int32_t PANELINK_CALL ReadInputData(DeviceRecord *record,
                                                            uint8_t *input_states, int32_t packed) {
    using namespace panelink;
    if (record == nullptr || input_states == nullptr || record->DeviceIndex >= kPollSlots)
        return PANELINK_READ_FAILED;
    PollSlot &slot = slot_at(record->DeviceIndex);

    // A read started on another handle (the board was closed or enumerated again) belongs to
    // that handle: its buffer is never decoded for this one.
    if (slot.pending && slot.handle != record->Handle)
        abandon(slot);

    platform::Device *device = find_device(record->Handle);
    if (device == nullptr || !input_report_length_supported(record->InputReportByteLength)) {
        abandon(slot);
        return PANELINK_READ_FAILED;
    }
    if (!slot.pending)
        return start(slot, *record, *device) ? PANELINK_READ_PENDING : PANELINK_READ_FAILED;
    return poll(slot, *record, input_states, packed, *device);
}
