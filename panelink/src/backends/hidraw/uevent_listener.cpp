#include "backends/hidraw/uevent_listener.h"

#include <cerrno>
#include <cstring>
#include <libudev.h>
#include <unistd.h>

namespace panelink::platform::hidraw {
bool udevd_running() {
    return ::access("/run/udev/control", F_OK) == 0;
}

std::unique_ptr<UeventListener> UeventListener::open(int buffer_bytes) {
    struct udev *context = udev_new();
    if (context == nullptr) {
        if (errno == 0)
            errno = ENOMEM;
        return nullptr;
    }
    // udevd's events come once its rules ran (the node has its owner and mode); without udevd
    // only the kernel's events come, and whoever opens the node waits until it opens.
    const bool from_udevd = udevd_running();
    struct udev_monitor *monitor =
        udev_monitor_new_from_netlink(context, from_udevd ? "udev" : "kernel");
    int error = errno != 0 ? errno : ENOMEM;
    if (monitor != nullptr) {
        int status = udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr);
        if (status >= 0)
            status = udev_monitor_set_receive_buffer_size(monitor, buffer_bytes);
        if (status >= 0)
            status = udev_monitor_enable_receiving(monitor);
        if (status >= 0)
            return std::unique_ptr<UeventListener>(
                new UeventListener(context, monitor, from_udevd));
        error = -status;
        udev_monitor_unref(monitor);
    }
    udev_unref(context);
    errno = error;
    return nullptr;
}

UeventListener::~UeventListener() {
    udev_monitor_unref(monitor_);
    udev_unref(context_);
}

int UeventListener::fd() const {
    return udev_monitor_get_fd(monitor_);
}

Uevent UeventListener::receive() {
    Uevent event;
    errno = 0;
    struct udev_device *device = udev_monitor_receive_device(monitor_);
    if (device == nullptr) {
        if (errno == ENOBUFS)
            event.kind = UeventKind::Lost;
        return event;
    }
    const char *action = udev_device_get_action(device);
    const char *subsystem = udev_device_get_subsystem(device);
    const char *name = udev_device_get_sysname(device);
    if (action != nullptr && name != nullptr && subsystem != nullptr &&
        std::strcmp(subsystem, "hidraw") == 0) {
        if (std::strcmp(action, "add") == 0)
            event.kind = UeventKind::Added;
        else if (std::strcmp(action, "remove") == 0)
            event.kind = UeventKind::Removed;
        if (event.kind != UeventKind::None)
            event.node = name;
    }
    udev_device_unref(device);
    return event;
}

} // namespace panelink::platform::hidraw
