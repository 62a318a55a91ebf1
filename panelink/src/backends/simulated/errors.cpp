#include "backends/simulated/errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace panelink::platform::sim {
namespace {

thread_local uint32_t t_last_error = 0;

} // namespace

uint32_t error_code(Failure failure) {
#ifdef _WIN32
    switch (failure) {
    case Failure::AccessDenied:
        return ERROR_ACCESS_DENIED;
    case Failure::NoSuchPath:
        return ERROR_FILE_NOT_FOUND;
    case Failure::DeviceGone:
        return ERROR_DEVICE_NOT_CONNECTED;
    case Failure::RequestFailed:
        return ERROR_GEN_FAILURE;
    case Failure::NoInterfaceSet:
        return ERROR_INVALID_DATA;
    case Failure::TimedOut:
        return WAIT_TIMEOUT;
    case Failure::InvalidArgument:
        return ERROR_INVALID_PARAMETER;
    }
    return ERROR_GEN_FAILURE;
#else
    switch (failure) {
    case Failure::AccessDenied:
        return EACCES;
    case Failure::NoSuchPath:
        return ENOENT;
    case Failure::DeviceGone:
        return ENODEV;
    case Failure::RequestFailed:
        return EIO;
    case Failure::NoInterfaceSet:
        return ENXIO;
    case Failure::TimedOut:
        return ETIMEDOUT;
    case Failure::InvalidArgument:
        return EINVAL;
    }
    return EIO;
#endif
}

void set_last_error(Failure failure) {
    t_last_error = error_code(failure);
}

uint32_t last_error() {
    return t_last_error;
}

} // namespace panelink::platform::sim
