// Error codes of the simulated bus, in the platform's own convention so that logs and messages
// read as they would with real boards: errno values on POSIX systems, Windows system error codes
// on Windows. Their texts are the native backend's.
#pragma once

#include <cstdint>

namespace panelink::platform::sim {

enum class Failure {
    AccessDenied,    // the open fault                        EACCES    / ERROR_ACCESS_DENIED
    NoSuchPath,      // open of a path no interface has       ENOENT    / ERROR_FILE_NOT_FOUND
    DeviceGone,      // I/O or requests after removal         ENODEV    / ERROR_DEVICE_NOT_CONNECTED
    RequestFailed,   // detail, attributes, text, read wait   EIO       / ERROR_GEN_FAILURE
    NoInterfaceSet,  // the enumeration fault                 ENXIO     / ERROR_INVALID_DATA
    TimedOut,        // a transfer still pending at time-out  ETIMEDOUT / WAIT_TIMEOUT
    InvalidArgument, // null path, read not started, ...      EINVAL    / ERROR_INVALID_PARAMETER
};

uint32_t error_code(Failure failure);

// Records the failure as the calling thread's last error (like SetLastError).
void set_last_error(Failure failure);
uint32_t last_error();

} // namespace panelink::platform::sim
