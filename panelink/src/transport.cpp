// ReadData and WriteData: one raw report between the caller and a board, blocking the caller
// for at most 1000 ms (read) or 100 ms (write).
//
// Each call holds its board's device (shared with the handle table) for its length and no lock
// while it waits, so calls on other boards go on meanwhile, and a concurrent CloseDevices()
// takes effect once the call has returned.
#include <cstdint>
#include <memory>

#include <panelink/panelink.h>

#include "backends/platform.h"
#include "handle_table.h"
#include "input_decoding.h"

namespace {

constexpr uint32_t kReadTimeoutMs = 1000;
constexpr uint32_t kWriteTimeoutMs = 100;

} // namespace

extern "C" PANELINK_API int32_t PANELINK_CALL ReadData(DeviceRecord *record,
                                                       uint8_t *input_states) {
    using namespace panelink;
    if (record == nullptr || input_states == nullptr ||
        !input_report_length_supported(record->InputReportByteLength))
        return PANELINK_READ_FAILED;
    const std::shared_ptr<platform::Device> device = acquire_device(record_handle(*record));
    if (device == nullptr)
        return PANELINK_READ_FAILED;

    uint8_t report[kMaxInputReportBytes] = {};
    platform::InputRead read;
    read.buffer = report;
    read.length = record->InputReportByteLength;
    if (!device->start_read(read))
        return PANELINK_READ_FAILED;

    switch (device->wait_read(read, kReadTimeoutMs)) {
    case platform::WaitResult::Completed:
        // A report the decoder refuses (the board has no parsed report descriptor) decodes
        // nothing: the caller's buffer is untouched, so the read counts as failed.
        if (!decode_input_report(*device, record, input_states, report, read.transferred, 1))
            return PANELINK_READ_FAILED;
        return PANELINK_READ_DECODED;
    case platform::WaitResult::TimedOut:
        device->cancel_read(read);
        return PANELINK_READ_TIMED_OUT;
    case platform::WaitResult::Failed:
        break;
    }
    device->cancel_read(read);
    return PANELINK_READ_FAILED;
}

extern "C" PANELINK_API int32_t PANELINK_CALL WriteData(DeviceRecord *record,
                                                        const uint8_t *report) {
    using namespace panelink;
    if (record == nullptr || report == nullptr || record->OutputReportByteLength == 0)
        return 0;
    const std::shared_ptr<platform::Device> device = acquire_device(record_handle(*record));
    if (device == nullptr)
        return 0;
    const uint16_t length = record->OutputReportByteLength;
    if (device->write(report, length, kWriteTimeoutMs) != platform::WaitResult::Completed)
        return 0;
    return length;
}
