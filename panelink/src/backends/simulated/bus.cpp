#include "backends/simulated/bus.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "backends/process_environment.h"

namespace panelink::platform::sim {

bool FaultSwitch::trip() {
    if (remaining_ == 0) {
        return false;
    }
    if (remaining_ > 0) {
        --remaining_;
    }
    return true;
}

std::optional<uint64_t> Interface::next_motion_ms() const {
    if (motion.fill == nullptr) {
        return std::nullopt;
    }
    // The first report is due at once, each further one a period after the one before.
    return motion.step > 0 ? motion.last_ms + motion.period_ms : 0;
}

void Interface::run_motion(uint64_t now_ms) {
    const std::optional<uint64_t> due = next_motion_ms();
    if (!due || now_ms < *due) {
        return;
    }
    std::memset(motion.scratch, 0, sizeof motion.scratch);
    motion.fill(motion.step, motion.scratch, motion.length);
    input.push(motion.scratch, motion.length);
    ++motion.step;
    motion.last_ms = now_ms;
}

int Bus::add(const PanelinkSimInterface &description, const Motion &motion) {
    if (description.path == nullptr || motion.length > kMaxInputReport) {
        return 0;
    }
    auto iface = std::make_shared<Interface>();
    iface->attributes = {description.vendor_id, description.product_id, description.version_number};
    iface->path = description.path;
    const wchar_t *texts[3] = {description.manufacturer, description.product,
                               description.serial_number};
    for (int i = 0; i < 3; ++i) {
        if (texts[i] != nullptr) {
            iface->texts[i] = texts[i];
        }
    }
    if (description.report_descriptor != nullptr) {
        hid::ReportDescriptor parsed;
        if (hid::parse_report_descriptor(description.report_descriptor,
                                         description.report_descriptor_length, parsed) &&
            !parsed.collections.empty()) {
            iface->collection = std::move(parsed.collections.front());
        }
    }
    iface->motion = motion;
    const std::lock_guard told(watchers_mutex_);
    {
        const std::lock_guard lock(mutex_);
        iface->id = next_id_++;
        interfaces_.push_back(iface);
    }
    tell_watchers(*iface, true);
    return iface->id;
}

bool Bus::remove(int id) {
    const std::lock_guard told(watchers_mutex_);
    std::shared_ptr<Interface> removed;
    {
        const std::lock_guard lock(mutex_);
        const auto it = std::find_if(interfaces_.begin(), interfaces_.end(),
                                     [id](const auto &iface) { return iface->id == id; });
        if (it == interfaces_.end()) {
            return false;
        }
        (*it)->removed = true;
        removed = std::move(*it);
        interfaces_.erase(it);
    }
    tell_watchers(*removed, false);
    return true;
}

void Bus::reset() {
    const std::lock_guard told(watchers_mutex_);
    std::vector<std::shared_ptr<Interface>> removed;
    {
        const std::lock_guard lock(mutex_);
        for (const auto &iface : interfaces_) {
            iface->removed = true;
        }
        removed.swap(interfaces_);
        enumeration_fault_.set(0);
        manual_ms_ = 0;
        // The caller now builds the bus: a later first walk does not plug in the demo boards.
        environment_checked_ = true;
    }
    for (const auto &iface : removed) {
        tell_watchers(*iface, false);
    }
}

namespace {

BoardArrival arrival_of(const Interface &iface) {
    BoardArrival arrival;
    arrival.path = iface.path;
    arrival.attributes = iface.attributes;
    const auto &serial = iface.texts[static_cast<size_t>(DeviceText::SerialNumber)];
    if (serial) {
        arrival.serial = *serial;
    }
    return arrival;
}

bool accepted(BoardFilter filter, const Interface &iface) {
    return filter == nullptr || filter(iface.attributes.vendor_id, iface.attributes.product_id);
}

} // namespace

uint64_t Bus::watch(BoardEventSink &sink, BoardFilter filter, std::vector<BoardArrival> &present) {
    populate_from_environment_once();
    const std::lock_guard told(watchers_mutex_);
    present.clear();
    for (const auto &iface : interfaces()) {
        if (accepted(filter, *iface)) {
            present.push_back(arrival_of(*iface));
        }
    }
    const uint64_t number = next_watcher_++;
    watchers_.push_back(Watcher{number, &sink, filter});
    return number;
}

void Bus::unwatch(uint64_t number) {
    const std::lock_guard told(watchers_mutex_);
    std::erase_if(watchers_, [number](const Watcher &watcher) { return watcher.number == number; });
}

void Bus::tell_watchers(const Interface &iface, bool arrived) {
    for (const Watcher &watcher : watchers_) {
        if (!accepted(watcher.filter, iface)) {
            continue;
        }
        if (arrived) {
            watcher.sink->arrived(arrival_of(iface));
        } else {
            watcher.sink->left(iface.path);
        }
    }
}

std::shared_ptr<Interface> Bus::find(int id) {
    const std::lock_guard lock(mutex_);
    for (const auto &iface : interfaces_) {
        if (iface->id == id) {
            return iface;
        }
    }
    return nullptr;
}

std::shared_ptr<Interface> Bus::find_path(const std::string &path) {
    const std::lock_guard lock(mutex_);
    for (const auto &iface : interfaces_) {
        if (iface->path == path) {
            return iface;
        }
    }
    return nullptr;
}

std::vector<std::shared_ptr<Interface>> Bus::interfaces() const {
    const std::lock_guard lock(mutex_);
    return interfaces_;
}

void Bus::set_enumeration_fault(int count) {
    const std::lock_guard lock(mutex_);
    enumeration_fault_.set(count);
}

bool Bus::trip_enumeration_fault() {
    const std::lock_guard lock(mutex_);
    return enumeration_fault_.trip();
}

void Bus::populate_from_environment_once() {
    {
        const std::lock_guard lock(mutex_);
        if (environment_checked_) {
            return;
        }
        environment_checked_ = true;
    }
    // Outside the lock: plugging in takes it.
    const char *value = library_variable("PANELINK_SIMULATE");
    if (value != nullptr && std::strcmp(value, "demo") == 0) {
        add_demo_set(*this);
    }
}

uint64_t Bus::now_ms() const {
    if (manual_clock_) {
        return manual_ms_;
    }
    const auto since_epoch = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count());
}

void Bus::advance_to(uint64_t ms) {
    uint64_t now = manual_ms_.load();
    while (now < ms && !manual_ms_.compare_exchange_weak(now, ms)) {
    }
}

void Bus::pass_time(uint32_t ms) {
    if (manual_clock_) {
        manual_ms_ += ms;
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

Bus &bus() {
    static Bus instance;
    return instance;
}

} // namespace panelink::platform::sim
