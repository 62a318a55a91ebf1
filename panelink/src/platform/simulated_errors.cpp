#include "simulated_errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
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

std::string error_text(uint32_t code) {
    std::string text;
#ifdef _WIN32
    char *buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&buffer),
        0, nullptr);
    if (buffer != nullptr) {
        text.assign(buffer, length);
        LocalFree(buffer);
    }
#else
    text = std::strerror(static_cast<int>(code));
#endif
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

} // namespace panelink::platform::sim
