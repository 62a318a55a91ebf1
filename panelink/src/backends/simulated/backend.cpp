// The simulated backend: the platform interface over the virtual interfaces of the simulated
// bus, with overlapped-style reads that complete from the interface's input queue.
//
// Threads: a device takes its interface's lock for each look at the board side and lets it go
// before time passes or a responder runs (see bus.h). The walk's snapshot is the enumeration's,
// which takes turns.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "backends/platform.h"
#include "backends/simulated/bus.h"
#include "backends/simulated/errors.h"

namespace panelink::platform {
namespace {

using sim::Failure;
using sim::Fault;
using sim::set_last_error;

// The real clock is looked at this often while a read waits for input.
constexpr uint32_t kWaitStepMs = 1;

class SimulatedDevice : public Device {
  public:
    explicit SimulatedDevice(std::shared_ptr<sim::Interface> iface) : iface_(std::move(iface)) {}

    bool attributes(Attributes &out) override {
        if (!usable()) {
            return false;
        }
        if (iface_->trip(Fault::Attributes)) {
            set_last_error(Failure::RequestFailed);
            return false;
        }
        out = iface_->attributes;
        return true;
    }

    bool text(DeviceText which, wchar_t (&out)[kDeviceTextChars]) override {
        if (!usable()) {
            return false;
        }
        const auto &text = iface_->texts[static_cast<int>(which)];
        if (iface_->trip(Fault::Texts) || !text) {
            set_last_error(Failure::RequestFailed);
            return false;
        }
        const size_t count = std::min(text->size(), kDeviceTextChars - 1);
        std::copy_n(text->data(), count, out);
        out[count] = L'\0';
        return true;
    }

    const hid::Collection *collection() override {
        if (!usable() || !iface_->collection) {
            return nullptr;
        }
        return &*iface_->collection;
    }

    void flush_input() override {
        const std::lock_guard lock(iface_->mutex);
        iface_->input.clear();
    }

    bool start_read(InputRead &read) override {
        if (!usable()) {
            return false;
        }
        if (read.buffer == nullptr && read.length != 0) {
            set_last_error(Failure::InvalidArgument);
            return false;
        }
        read.transferred = 0;
        read.started = true;
        return true;
    }

    WaitResult wait_read(InputRead &read, uint32_t timeout_ms) override {
        if (!read.started) {
            set_last_error(Failure::InvalidArgument);
            return WaitResult::Failed;
        }
        if (!usable()) {
            read.started = false; // the transfer failed with the device
            return WaitResult::Failed;
        }
        sim::Bus &bus = sim::bus();
        if (bus.manual_clock()) {
            return wait_manual(bus, read, timeout_ms); // looks at the fault under its own lock
        }
        if (iface_->trip(Fault::ReadWait)) {
            set_last_error(Failure::RequestFailed);
            return WaitResult::Failed;
        }
        return wait_real(bus, read, timeout_ms);
    }

    void cancel_read(InputRead &read) override { read.started = false; }

    WaitResult write(const uint8_t *report, size_t length, uint32_t timeout_ms) override {
        if (!usable()) {
            return WaitResult::Failed;
        }
        if (report == nullptr && length != 0) {
            set_last_error(Failure::InvalidArgument);
            return WaitResult::Failed;
        }
        if (iface_->trip(Fault::WriteTimeout)) {
            sim::bus().pass_time(timeout_ms);
            set_last_error(Failure::TimedOut);
            return WaitResult::TimedOut;
        }
        PanelinkSimResponder responder = nullptr;
        void *context = nullptr;
        {
            const std::lock_guard lock(iface_->mutex);
            iface_->output.push(report, length);
            responder = iface_->responder;
            context = iface_->responder_context;
        }
        // The responder may push input, unplug the interface or reset the bus: the interface
        // stays alive through iface_, and the responder is taken before it runs, outside the
        // interface's lock.
        if (responder != nullptr) {
            responder(iface_->id, report, length, context);
        }
        return WaitResult::Completed;
    }

  private:
    // False, with the last error set, once the interface has been unplugged.
    bool usable() const {
        if (iface_->removed) {
            set_last_error(Failure::DeviceGone);
            return false;
        }
        return true;
    }

    // Completes the read with the oldest queued report, if any. Under the interface's lock.
    bool deliver(InputRead &read) {
        if (iface_->input.empty()) {
            return false;
        }
        const size_t length = iface_->input.pop(read.buffer, read.length);
        // A short report arrives padded with zeros to the length asked for, as Windows and the
        // hidraw backend hand input reports over.
        const size_t copied = std::min(length, read.length);
        if (copied < read.length) {
            std::memset(read.buffer + copied, 0, read.length - copied);
        }
        read.transferred = read.length;
        read.started = false;
        return true;
    }

    // Manual clock: nothing can happen while the caller waits except the board's own motion, so
    // the clock jumps to the next moving report if it is due within the time-out, else past it.
    // The read-wait fault is looked at under the same lock (one lock per poll).
    WaitResult wait_manual(sim::Bus &bus, InputRead &read, uint32_t timeout_ms) {
        const std::lock_guard lock(iface_->mutex);
        if (iface_->faults[static_cast<int>(Fault::ReadWait)].trip()) {
            set_last_error(Failure::RequestFailed);
            return WaitResult::Failed;
        }
        const uint64_t now = bus.now_ms();
        iface_->run_motion(now);
        if (deliver(read)) {
            return WaitResult::Completed;
        }
        if (const auto due = iface_->next_motion_ms(); due && *due <= now + timeout_ms) {
            bus.advance_to(*due);
            iface_->run_motion(*due);
            if (deliver(read)) {
                return WaitResult::Completed;
            }
        }
        bus.advance_to(now + timeout_ms);
        set_last_error(Failure::TimedOut);
        return WaitResult::TimedOut;
    }

    WaitResult wait_real(sim::Bus &bus, InputRead &read, uint32_t timeout_ms) {
        const uint64_t start = bus.now_ms();
        for (uint64_t now = start;; now = bus.now_ms()) {
            if (!usable()) {
                read.started = false;
                return WaitResult::Failed;
            }
            {
                const std::lock_guard lock(iface_->mutex);
                iface_->run_motion(now);
                if (deliver(read)) {
                    return WaitResult::Completed;
                }
            }
            if (now - start >= timeout_ms) {
                set_last_error(Failure::TimedOut);
                return WaitResult::TimedOut;
            }
            bus.pass_time(kWaitStepMs);
        }
    }

    std::shared_ptr<sim::Interface> iface_;
};

// A watch of the simulated bus: the bus tells it of each interface plugged in or unplugged.
class SimulatedWatch final : public BoardWatch {
  public:
    explicit SimulatedWatch(uint64_t number) : number_(number) {}
    ~SimulatedWatch() override { sim::bus().unwatch(number_); }
    SimulatedWatch(const SimulatedWatch &) = delete;
    SimulatedWatch &operator=(const SimulatedWatch &) = delete;

  private:
    uint64_t number_;
};

class SimulatedBackend : public Backend {
  public:
    bool begin_walk() override {
        sim::Bus &bus = sim::bus();
        bus.populate_from_environment_once();
        snapshot_.clear();
        if (bus.trip_enumeration_fault()) {
            set_last_error(Failure::NoInterfaceSet);
            return false;
        }
        snapshot_ = bus.interfaces();
        return true;
    }

    WalkStep walk_interface(uint32_t index, std::string &path) override {
        if (index >= snapshot_.size()) {
            return WalkStep::End;
        }
        sim::Interface &iface = *snapshot_[index];
        if (iface.trip(Fault::Detail)) {
            set_last_error(Failure::RequestFailed);
            return WalkStep::DetailFailed;
        }
        path = iface.path;
        return WalkStep::Found;
    }

    void end_walk() override { snapshot_.clear(); }

    std::unique_ptr<Device> open(const char *path) override {
        if (path == nullptr) {
            set_last_error(Failure::InvalidArgument);
            return nullptr;
        }
        std::shared_ptr<sim::Interface> iface = sim::bus().find_path(path);
        if (!iface) {
            set_last_error(Failure::NoSuchPath);
            return nullptr;
        }
        if (iface->trip(Fault::Open)) {
            set_last_error(Failure::AccessDenied);
            return nullptr;
        }
        return std::make_unique<SimulatedDevice>(std::move(iface));
    }

    std::unique_ptr<BoardWatch> watch_boards(BoardEventSink &sink, BoardFilter filter,
                                             std::vector<BoardArrival> &present) override {
        return std::make_unique<SimulatedWatch>(sim::bus().watch(sink, filter, present));
    }

    uint64_t now_ms() override { return sim::bus().now_ms(); }

    uint32_t last_error() override { return sim::last_error(); }

    // The codes are the platform's own, and so are their texts.
    std::string error_text(uint32_t code) override { return native_backend().error_text(code); }

  private:
    // The interfaces present when the walk began (SetupDiGetClassDevs takes such a snapshot).
    std::vector<std::shared_ptr<sim::Interface>> snapshot_;
};

} // namespace

Backend &simulated_backend() {
    static SimulatedBackend instance;
    return instance;
}

} // namespace panelink::platform
