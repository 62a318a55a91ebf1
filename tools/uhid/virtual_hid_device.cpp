#include "virtual_hid_device.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "hidraw_lookup.h"
#include "uhid_events.h"

namespace panelink::uhid {
namespace {

constexpr const char *kUhidPath = "/dev/uhid";

std::string system_error(const std::string &what, int error_number) {
    return what + ": " + std::strerror(error_number);
}

// What to do about the usual reasons /dev/uhid does not open.
std::string open_advice(int error_number) {
    switch (error_number) {
    case ENOENT:
    case ENODEV:
        return " (load the uhid module: sudo modprobe uhid)";
    case EACCES:
    case EPERM:
        return " (needs root or access to /dev/uhid)";
    default:
        return {};
    }
}

} // namespace

std::string phys_for_interface(int interface_number) {
    static std::atomic<unsigned> counter{0};
    return "panelink-uhid-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
           "/input" + std::to_string(interface_number);
}

std::unique_ptr<VirtualHidDevice> VirtualHidDevice::create(const Identity &identity,
                                                           std::string &error) {
    uhid_event request;
    if (!encode_create(identity, request, error)) {
        return nullptr;
    }
    const int fd = ::open(kUhidPath, O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error_number = errno;
        error = system_error(std::string("cannot open ") + kUhidPath, error_number) +
                open_advice(error_number);
        return nullptr;
    }
    std::unique_ptr<VirtualHidDevice> device(new VirtualHidDevice(fd, identity));
    if (!device->write_event(&request, sizeof request, "cannot create the HID device")) {
        error = device->last_error();
        return nullptr;
    }
    return device;
}

VirtualHidDevice::VirtualHidDevice(int fd, Identity identity)
    : fd_(fd), identity_(std::move(identity)) {}

VirtualHidDevice::~VirtualHidDevice() {
    destroy();
}

bool VirtualHidDevice::destroy() {
    if (fd_ < 0) {
        return true;
    }
    uhid_event request;
    encode_destroy(request);
    const bool written = write_event(&request, sizeof request, "cannot destroy the HID device");
    // Closing the file destroys the device as well, so it is gone either way.
    ::close(fd_);
    fd_ = -1;
    return written;
}

std::string VirtualHidDevice::hidraw_node(int timeout_ms) const {
    if (fd_ < 0) {
        return {};
    }
    return wait_for_hidraw_node("/sys", "/dev", identity_.phys, identity_.uniq, timeout_ms);
}

bool VirtualHidDevice::send_input(const uint8_t *data, size_t length) {
    uhid_event request;
    if (!encode_input(data, length, request, last_error_)) {
        return false;
    }
    // Only the used part of the request goes out; the kernel fills the rest with zeros.
    const size_t used = offsetof(uhid_event, u) + offsetof(uhid_input2_req, data) + length;
    return write_event(&request, used, "cannot send an input report");
}

bool VirtualHidDevice::next_event(Event &event, int timeout_ms) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    last_error_.clear();
    if (fd_ < 0) {
        last_error_ = "the HID device has been destroyed";
        return false;
    }
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entry{fd_, POLLIN, 0};
        const int ready = ::poll(&entry, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            last_error_ = system_error("cannot wait for a uhid event", errno);
            return false;
        }
        if (ready == 0) {
            return false; // time-out
        }
        uhid_event raw;
        const ssize_t got = ::read(fd_, &raw, sizeof raw);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                if (Clock::now() >= deadline) {
                    return false;
                }
                continue;
            }
            last_error_ = system_error("cannot read a uhid event", errno);
            return false;
        }
        if (!decode_event(reinterpret_cast<const uint8_t *>(&raw), static_cast<size_t>(got),
                          event)) {
            last_error_ = "short uhid event of " + std::to_string(got) + " bytes";
            return false;
        }
        return true;
    }
}

bool VirtualHidDevice::reply_get_report(uint32_t id, uint16_t error, const uint8_t *data,
                                        size_t length) {
    uhid_event reply;
    if (!encode_get_report_reply(id, error, data, length, reply, last_error_)) {
        return false;
    }
    return write_event(&reply, sizeof reply, "cannot answer a report request");
}

bool VirtualHidDevice::reply_set_report(uint32_t id, uint16_t error) {
    uhid_event reply;
    encode_set_report_reply(id, error, reply);
    return write_event(&reply, sizeof reply, "cannot answer a report request");
}

int VirtualHidDevice::fd() const {
    return fd_;
}

bool VirtualHidDevice::write_event(const void *event, size_t length, const char *what) {
    if (fd_ < 0) {
        last_error_ = std::string(what) + ": the HID device has been destroyed";
        return false;
    }
    for (;;) {
        const ssize_t written = ::write(fd_, event, length);
        if (written >= 0) {
            if (static_cast<size_t>(written) != length) {
                last_error_ = std::string(what) + ": short write";
                return false;
            }
            return true;
        }
        if (errno != EINTR) {
            last_error_ = system_error(what, errno);
            return false;
        }
    }
}

} // namespace panelink::uhid
