// DetectHID, DetectDevice and CloseDevices: finding the boards and closing them again.
//
// Threads: enumerations take turns (one lock for the whole walk: the backend's walk and the
// detection log are process-wide), while calls on boards already open go on meanwhile; no
// board I/O waits for an enumeration. CloseDevices() takes no lock across boards: it closes
// each record's handle in the handle table, where calls under way keep their device until
// they return.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include <panelink/panelink.h>

#include "backends/platform.h"
#include "detection_log.h"
#include "detection_modes.h"
#include "device_identity.h"
#include "handle_table.h"
#include "polled_reads.h"

namespace panelink {
namespace {

std::mutex &enumeration_mutex() {
    static std::mutex mutex;
    return mutex;
}

struct Enumeration {
    int32_t *count;
    DeviceRecord *records;
    int32_t mode_value;
    // DetectDevice: only interfaces of this product ID (compared after widening to 32 bits).
    std::optional<int32_t> product_filter;
};

// Opens the interface at `path`, or logs why it could not be opened.
std::unique_ptr<platform::Device> open_interface(platform::Backend &backend,
                                                 const std::string &path) {
    std::unique_ptr<platform::Device> device = backend.open(path.c_str());
    if (!device) {
        const uint32_t error = backend.last_error();
        detection_log::write_text(path);
        detection_log::write("CreateFile : INVALID_HANDLE_VALUE\n");
        detection_log::write_error_line(error);
    }
    return device;
}

// One interface of the walk: logged, and kept in `fill` when the mode accepts it. Returns true
// when a record was filled.
bool consider_interface(const Enumeration &call, const DetectionMode &mode,
                        platform::Backend &backend, const std::string &path, int32_t fill,
                        bool &limit_logged) {
    std::unique_ptr<platform::Device> device = open_interface(backend, path);
    if (!device)
        return false;

    platform::Attributes attributes;
    if (!device->attributes(attributes)) {
        detection_log::write("nHidD_GetAttributes : FALSE\n");
        return false;
    }
    if (!is_family_vendor(attributes.vendor_id))
        return false;
    if (call.product_filter && static_cast<int32_t>(attributes.product_id) != *call.product_filter)
        return false;

    detection_log::write("\nFound VendorID 0x%x\n", static_cast<unsigned>(attributes.vendor_id));
    detection_log::write(call.product_filter ? "Found matching ProductID 0x%x\n"
                                             : "Found ProductID 0x%x\n",
                         static_cast<unsigned>(attributes.product_id));

    if (!accepts_product(mode, attributes.product_id)) {
        detection_log::write("%s", mode.not_found_message);
        return false;
    }

    // Polled reads keep state for 128 records: a further interface gets no record.
    if (fill >= PANELINK_MAX_DEVICES) {
        if (!limit_logged)
            detection_log::write("Device limit reached : %d\n", PANELINK_MAX_DEVICES);
        limit_logged = true;
        return false;
    }

    // The id is reserved first: with the handle table full, the interface is left out before
    // anything of it is logged or written into the record.
    HandleReservation reservation = reserve_handle();
    if (!reservation)
        return false; // the device is closed on the way out

    // The record is filled from the device at hand, which enters the handle table only once
    // the record is kept.
    DeviceRecord &record = call.records[fill];
    record.DeviceIndex = static_cast<uint16_t>(fill);
    if (fill_record(attributes, *device, record, path, mode.config_type) == 0) {
        // Rejected: the device is closed, and its reserved id never issued. The record is
        // already zeroed, and is reused by the next interface.
        device.reset();
        detection_log::write("%s", mode.rejected_message);
        return false;
    }
    record.Handle = reservation.register_device(std::move(device));
    return true;
}

int32_t enumerate(const Enumeration &call) {
    if (call.count == nullptr || call.records == nullptr)
        return 0;

    const std::lock_guard turn(enumeration_mutex());
    const DetectionMode &mode = detection_mode(call.mode_value);
    detection_log::Session session(mode.log_file, call.product_filter
                                                      ? detection_log::Opening::Append
                                                      : detection_log::Opening::Replace);
    detection_log::write("\n\nPANELINK initialization!\n");
    detection_log::write("\nFlash : %d\n", static_cast<int>(call.mode_value));

    platform::Backend &backend = platform::backend();
    if (!backend.begin_walk()) {
        const uint32_t error = backend.last_error();
        detection_log::write("hDevInfo : INVALID_HANDLE_VALUE\n");
        detection_log::write_error_line(error);
        return 0;
    }

    int32_t fill = 0;
    bool limit_logged = false;
    std::string path;
    for (uint32_t index = 0;; ++index) {
        path.clear();
        const platform::WalkStep step = backend.walk_interface(index, path);
        if (step == platform::WalkStep::End)
            break;
        if (step == platform::WalkStep::DetailFailed) {
            detection_log::write("SetupDiGetDeviceInterfaceDetail : FALSE\n");
            continue;
        }
        if (consider_interface(call, mode, backend, path, fill, limit_logged))
            ++fill;
    }

    *call.count = fill;
    detection_log::write("\nNum Devices Detected : %d\n", static_cast<int>(fill));
    session.close();
    backend.end_walk();
    return fill > 0 ? 1 : 0;
}

} // namespace
} // namespace panelink

extern "C" {

PANELINK_API int32_t PANELINK_CALL DetectHID(int32_t *count, DeviceRecord *records, int32_t mode) {
    return panelink::enumerate({count, records, mode, std::nullopt});
}

PANELINK_API int32_t PANELINK_CALL DetectDevice(int32_t *count, DeviceRecord *records,
                                                int32_t product_id, int32_t mode) {
    return panelink::enumerate({count, records, mode, product_id});
}

PANELINK_API int32_t PANELINK_CALL CloseDevices(uint32_t number, DeviceRecord *records) {
    if (records == nullptr)
        return 1;
    for (uint32_t i = 0; i < number; ++i) {
        // Taken and cleared in one step: of two threads closing the same record, one closes it.
        const uint32_t handle = panelink::take_record_handle(records[i]);
        if (handle == 0)
            continue;
        panelink::close_device(handle);
        panelink::release_polls(handle);
    }
    return 1;
}

} // extern "C"
