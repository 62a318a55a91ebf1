// Fuzz target: arbitrary report descriptors with arbitrary input reports, decoded into a caller's
// InputStates buffer the way the library does it, through a virtual board.
//
// Input layout (little-endian):
//   byte 0      flags: bit 0 packed, bit 1 the record claims a joystick (Usage 4, UsagePage 1;
//               otherwise the descriptor's own top-level usage), bit 2 go through ReadInputData
//               (a polled read) instead of calling the decoder directly
//   bytes 1-2   the record's InputReportByteLength (any value, supported or not)
//   byte 3      the record's DeviceIndex for polled reads (128 and above must be refused)
//   byte 4      n, the descriptor's length
//   n bytes     the report descriptor
//   the rest    the input report (report ID byte first), of whatever length is left
//
// Every buffer the library sees is a heap block of exactly its size, so AddressSanitizer
// catches a byte read or written past it. The InputStates buffer is also checked: a board
// decode writes only the positions its report reaches, a joystick decode only 0s and 1s.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include <panelink/panelink.h>
#include <panelink/simulation.h>

#include "backends/platform.h"
#include "handle_table.h"
#include "input_decoding.h"

namespace {

constexpr char kPath[] = "sim://fuzz/board#vid_12da&pid_0500&mi_00";
constexpr uint8_t kUntouched = 0xA5;

struct Input {
    bool packed = false;
    bool joystick = false;
    bool polled = false;
    uint16_t record_length = 0;
    uint16_t device_index = 0;
    std::vector<uint8_t> descriptor;
    std::vector<uint8_t> report;
};

bool split(const uint8_t *data, size_t size, Input &in) {
    if (size < 5)
        return false;
    in.packed = (data[0] & 1) != 0;
    in.joystick = (data[0] & 2) != 0;
    in.polled = (data[0] & 4) != 0;
    in.record_length = static_cast<uint16_t>(data[1] | (data[2] << 8));
    in.device_index = data[3];
    const size_t descriptor_length = std::min<size_t>(data[4], size - 5);
    in.descriptor.assign(data + 5, data + 5 + descriptor_length);
    in.report.assign(data + 5 + descriptor_length, data + size);
    return true;
}

// Plugs in the board, opens it and fills the record as enumeration would.
int plug(const Input &in, DeviceRecord &record) {
    PanelinkSimInterface iface{};
    iface.vendor_id = PANELINK_VENDOR_ID_A;
    iface.product_id = 0x0500;
    iface.path = kPath;
    iface.report_descriptor = in.descriptor.empty() ? nullptr : in.descriptor.data();
    iface.report_descriptor_length = in.descriptor.size();
    const int id = panelink_sim_add(&iface);
    if (id == 0)
        std::abort();
    record.Handle = panelink::register_device(panelink::platform::backend().open(kPath));
    record.InputReportByteLength = in.record_length;
    record.DeviceIndex = in.device_index;
    record.Usage = in.joystick ? 4 : 1;
    record.UsagePage = in.joystick ? 1 : 0xFF00;
    return id;
}

// What a decode may have done to the InputStates buffer.
void check_states(const Input &in, const DeviceRecord &record, const uint8_t *states,
                  bool decoded) {
    if (!decoded) {
        for (size_t i = 0; i < panelink::kInputStates; ++i)
            if (states[i] != kUntouched)
                std::abort(); // a refused decode wrote into the buffer
        return;
    }
    if (panelink::is_joystick(record)) {
        for (size_t i = 0; i < panelink::kInputStates; ++i)
            if (states[i] > 1)
                std::abort();
        return;
    }
    // A board decode reaches the data bytes of the report that arrived, cut to the record's
    // length; the positions past them keep their values.
    const size_t length = std::min<size_t>(in.report.size(), record.InputReportByteLength);
    const size_t data_bytes = length > 0 ? length - 1 : 0;
    const size_t reached = in.packed ? data_bytes : 8 * data_bytes;
    for (size_t i = reached; i < panelink::kInputStates; ++i)
        if (states[i] != kUntouched)
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const bool enabled = panelink_sim_enable(1) == 1;
    (void)enabled;
    Input in;
    if (!split(data, size, in))
        return 0;

    panelink_sim_reset();
    DeviceRecord record{};
    const int id = plug(in, record);

    auto states = std::make_unique<uint8_t[]>(panelink::kInputStates);
    std::fill_n(states.get(), panelink::kInputStates, kUntouched);
    auto report = std::make_unique<uint8_t[]>(in.report.size());
    std::copy(in.report.begin(), in.report.end(), report.get());

    if (in.polled) {
        // The first poll starts the read, the second finds the report the board sent.
        panelink_sim_push_input(id, report.get(), in.report.size());
        const int32_t first = ReadInputData(&record, states.get(), in.packed ? 1 : 0);
        const int32_t second = ReadInputData(&record, states.get(), in.packed ? 1 : 0);
        const bool usable = record.DeviceIndex < 128 &&
                            panelink::input_report_length_supported(record.InputReportByteLength);
        if (!usable && (first != PANELINK_READ_FAILED || second != PANELINK_READ_FAILED))
            std::abort();
        if (usable && first != PANELINK_READ_PENDING)
            std::abort();
        // A descriptor that does not parse: the decoder refuses the report, and the poll fails.
        const bool parsed = panelink::acquire_device(record.Handle)->collection() != nullptr;
        if (usable && !parsed && second != PANELINK_READ_FAILED)
            std::abort();
        if (second != PANELINK_READ_DECODED) {
            check_states(in, record, states.get(), false);
        } else {
            // The virtual board delivers the report cut or zero-filled to the asked length.
            in.report.resize(record.InputReportByteLength, 0);
            check_states(in, record, states.get(), true);
        }
    } else {
        const bool decoded = panelink::decode_input_report(&record, states.get(), report.get(),
                                                           in.report.size(), in.packed ? 1 : 0);
        check_states(in, record, states.get(), decoded);
    }

    panelink::close_device(record.Handle);
    panelink_sim_remove(id);
    return 0;
}
