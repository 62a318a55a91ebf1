#include "backends/hidraw/device.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <poll.h>
#include <unistd.h>

#include "backends/hidraw/clock.h"
#include "backends/hidraw/errors.h"
#include "backends/hidraw/io_ring.h"
#include "backends/hidraw/report_ids.h"
#include "backends/hidraw/sysfs.h"
#include "backends/hidraw/text.h"
#include "backends/hidraw/writer.h"

namespace panelink::platform::hidraw {
namespace {

// Reads a flush makes at most: hidraw queues 64 reports per reader, so this is ample, and it
// keeps a device that never stops talking from holding the caller.
constexpr int kMaxFlushReads = 4096;

// Milliseconds left until `deadline`, as poll() takes them.
int remaining_ms(uint64_t deadline) {
    const uint64_t now = monotonic_ms();
    return now >= deadline ? 0 : static_cast<int>(deadline - now);
}

// Errors with which a hidraw read reports a device that is gone. (A failed write means no more
// than that write failed; the writer tells a gone device from it by ENODEV.)
bool is_disconnect(int error) {
    return error == ENODEV || error == EIO || error == ENXIO || error == EPIPE;
}

std::string node_name_of(std::string_view node_path) {
    const size_t slash = node_path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? node_path : node_path.substr(slash + 1));
}

class HidrawDevice final : public Device {
  public:
    HidrawDevice(int fd, const std::string &sysfs_root, const std::string &node_name)
        : writer_(fd), fd_(fd) {
        info_ok_ = read_interface_info(sysfs_root, node_name, info_, info_error_);
        if (info_ok_)
            load_descriptor();
    }
    // The ring goes first, then the writer closes the descriptor once no write of ours is left
    // in the kernel.
    ~HidrawDevice() override { ring_.reset(); }
    HidrawDevice(const HidrawDevice &) = delete;
    HidrawDevice &operator=(const HidrawDevice &) = delete;

    bool attributes(Attributes &out) override {
        if (!info_ok_) {
            set_last_error(info_error_);
            return false;
        }
        out.vendor_id = info_.id.vendor;
        out.product_id = info_.id.product;
        out.version_number = 0;
        std::string bcd;
        int ignored = 0;
        if (info_.usb && read_file(info_.usb_device_dir + "/bcdDevice", bcd, ignored))
            parse_hex16(attribute_text(bcd), out.version_number);
        return true;
    }

    bool text(DeviceText which, wchar_t (&out)[kDeviceTextChars]) override {
        if (!info_ok_) {
            set_last_error(info_error_);
            return false;
        }
        // USB devices give their string descriptors; others (Bluetooth, I2C) only the HID
        // name and unique ID, which stand for the product text and the serial number.
        std::string contents;
        std::string_view value;
        int error = ENOENT;
        bool found = false;
        if (info_.usb) {
            found = read_file(info_.usb_device_dir + "/" + usb_attribute(which), contents, error);
            value = attribute_text(contents);
        } else if (which == DeviceText::Product && !info_.hid_name.empty()) {
            value = info_.hid_name, found = true;
        } else if (which == DeviceText::SerialNumber && !info_.hid_uniq.empty()) {
            value = info_.hid_uniq, found = true;
        }
        if (!found) {
            set_last_error(error);
            return false;
        }
        utf8_to_device_text(value, out);
        return true;
    }

    const hid::Collection *collection() override {
        return descriptor_.collections.empty() ? nullptr : &descriptor_.collections.front();
    }

    void flush_input() override {
        ReadinessRing *ring = usable_ring();
        const uint64_t before = ring != nullptr ? ring->wakeups() : 0;
        unsigned char discard[256];
        for (int i = 0; i < kMaxFlushReads; ++i) {
            const ssize_t got = ::read(fd_, discard, sizeof discard);
            if (got > 0 || (got < 0 && errno == EINTR))
                continue;
            if (got == 0 || is_disconnect(errno))
                gone_ = true;
            else if (ring != nullptr && (errno == EAGAIN || errno == EWOULDBLOCK))
                quiet_at_.store(before, std::memory_order_relaxed);
            return;
        }
    }

    bool start_read(InputRead &read) override {
        if (read.buffer == nullptr || read.length == 0 || gone_) {
            set_last_error(gone_ ? ENODEV : EINVAL);
            return false;
        }
        read.transferred = 0;
        read.started = true;
        usable_ring(); // the node's watch starts with its first read
        return true;
    }

    WaitResult wait_read(InputRead &read, uint32_t timeout_ms) override {
        if (!read.started) {
            set_last_error(EINVAL);
            return WaitResult::Failed;
        }
        // A look (0 ms) at a node the ring watches: nothing came since a read last found the
        // queue empty, so there is nothing to read, and no system call is made.
        ReadinessRing *ring = timeout_ms == 0 ? usable_ring() : nullptr;
        const uint64_t wakeups = ring != nullptr ? ring->wakeups() : 0;
        if (ring != nullptr && wakeups == quiet_at_.load(std::memory_order_relaxed))
            return WaitResult::TimedOut;
        const uint64_t deadline = timeout_ms == 0 ? 0 : monotonic_ms() + timeout_ms;
        for (;;) {
            const ReadOutcome outcome = read_one_report(read);
            if (ring != nullptr && outcome == ReadOutcome::Empty)
                quiet_at_.store(wakeups, std::memory_order_relaxed);
            switch (outcome) {
            case ReadOutcome::Report:
                read.started = false;
                return WaitResult::Completed;
            case ReadOutcome::Failed:
                read.started = false;
                return WaitResult::Failed;
            case ReadOutcome::Empty:
                break;
            }
            const int wait = timeout_ms == 0 ? 0 : remaining_ms(deadline);
            if (wait == 0)
                return WaitResult::TimedOut;
            pollfd waiting{fd_, POLLIN, 0};
            const int ready = ::poll(&waiting, 1, wait);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0) {
                set_last_error(errno);
                read.started = false;
                return WaitResult::Failed;
            }
            if (ready == 0)
                return WaitResult::TimedOut;
            // With POLLIN the next read takes the report (or learns that the device is gone);
            // a hang-up with nothing left to read fails at once.
            if ((waiting.revents & POLLIN) == 0 &&
                (waiting.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                mark_gone(ENODEV);
                read.started = false;
                return WaitResult::Failed;
            }
        }
    }

    void cancel_read(InputRead &read) override {
        // Reads happen only inside wait_read, so nothing is in flight to stop.
        read.started = false;
    }

    WaitResult write(const uint8_t *report, size_t length, uint32_t timeout_ms) override {
        if (report == nullptr || length == 0 || gone_) {
            set_last_error(gone_ ? ENODEV : EINVAL);
            return WaitResult::Failed;
        }
        // hidraw takes the report ID byte first whether or not the device numbers its output
        // reports (0 then, which the kernel leaves out on the wire), so the report goes as given.
        return writer_.write(report, length, timeout_ms);
    }

  private:
    enum class ReadOutcome { Report, Empty, Failed };

    // The node's readiness ring, made at its first use; null where the process does without
    // rings, where the kernel refused this one, and in a child of fork() for a ring its parent
    // made (the child then reads as it would without one).
    ReadinessRing *usable_ring() {
        std::call_once(ring_made_, [this] {
            if (io_ring_enabled())
                ring_ = ReadinessRing::create(fd_);
        });
        return ring_ != nullptr && ring_->usable() ? ring_.get() : nullptr;
    }

    static const char *usb_attribute(DeviceText which) {
        switch (which) {
        case DeviceText::Manufacturer:
            return "manufacturer";
        case DeviceText::Product:
            return "product";
        case DeviceText::SerialNumber:
            break;
        }
        return "serial";
    }

    void load_descriptor() {
        std::string bytes;
        int ignored = 0;
        if (!read_file(info_.hid_device_dir + "/report_descriptor", bytes, ignored))
            return;
        const auto *data = reinterpret_cast<const uint8_t *>(bytes.data());
        has_descriptor_ = true;
        numbered_input_ = input_reports_numbered(data, bytes.size());
        if (!hid::parse_report_descriptor(data, bytes.size(), descriptor_))
            descriptor_.collections.clear();
    }

    // One read() of one report. Unnumbered input reports get a 0 byte in front, so that every
    // report handed on starts with its report ID byte. A report shorter than asked for is padded
    // with zeros to the full length, as Windows hands input reports over: positions it does not
    // carry must not keep the previous report's values.
    ReadOutcome read_one_report(InputRead &read) {
        const size_t prefix = (has_descriptor_ && !numbered_input_) ? 1 : 0;
        uint8_t *target = read.buffer + prefix;
        size_t room = read.length - prefix;
        uint8_t overflow[kMaxInputReport];
        if (room == 0) { // only the ID byte is wanted: the report still has to be taken
            target = overflow;
            room = sizeof overflow;
        }
        ssize_t got = 0;
        do {
            got = ::read(fd_, target, room);
        } while (got < 0 && errno == EINTR);
        if (got > 0) {
            if (prefix != 0)
                read.buffer[0] = 0;
            if (target != overflow && static_cast<size_t>(got) < room)
                std::memset(target + got, 0, room - static_cast<size_t>(got));
            read.transferred = read.length;
            return ReadOutcome::Report;
        }
        if (got == 0) { // end of file: nothing will ever come again
            mark_gone(ENODEV);
            return ReadOutcome::Failed;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return ReadOutcome::Empty;
        mark_gone_if_disconnect(errno);
        set_last_error(errno);
        return ReadOutcome::Failed;
    }

    void mark_gone(int error) {
        gone_ = true;
        set_last_error(error);
    }
    void mark_gone_if_disconnect(int error) {
        if (is_disconnect(error))
            gone_ = true;
    }

    ReportWriter writer_; // owns the descriptor
    int fd_;              // the writer's descriptor, for reads
    std::once_flag ring_made_;
    std::unique_ptr<ReadinessRing> ring_; // closed before the writer closes the descriptor
    // The ring's wake-up count taken before a read that found the queue empty: while the count
    // stays there, no report has come since. Written by whichever poll finds the queue empty; a
    // stale (older) value only costs a read.
    std::atomic<uint64_t> quiet_at_{std::numeric_limits<uint64_t>::max()};
    InterfaceInfo info_;
    bool info_ok_ = false;
    int info_error_ = 0;
    bool has_descriptor_ = false;
    bool numbered_input_ = false; // input reports carry a report ID byte
    hid::ReportDescriptor descriptor_;
    // A read found the device unplugged: no transfer starts any more. Atomic, as the polled read,
    // ReadData and WriteData may each run on a thread of their own. Everything else is set up
    // by the constructor and only read afterwards; reads and writes on the descriptor itself
    // may overlap (the kernel hands each report to one read).
    std::atomic<bool> gone_{false};
};

} // namespace

std::unique_ptr<Device> open_device(const std::string &interface_path,
                                    const std::string &sysfs_root) {
    const std::string node(node_path_of(interface_path));
    // O_NOCTTY: a misdirected node that is a terminal must never become our controlling one.
    const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        set_last_error(errno);
        return nullptr;
    }
    return std::make_unique<HidrawDevice>(fd, sysfs_root, node_name_of(node));
}

} // namespace panelink::platform::hidraw
