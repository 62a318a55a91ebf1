// The simulated HID bus: virtual interfaces held in the process, their board side (queued input
// and output reports, responders, fault switches) and the bus clock.
//
// Interfaces are shared with the devices opened to them, so a device whose interface has been
// unplugged keeps a valid (removed) interface and fails its I/O instead of dangling.
//
// Threads: the bus's list of interfaces has a lock of its own, and so has each interface's board
// side (queues, responder, faults, motion); what an interface was plugged in with never changes.
// No lock is held while time passes or while a responder runs, so a responder may call back
// into the library, and a board that waits never holds up another.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <panelink/simulation.h>

#include "backends/platform.h"
#include "backends/simulated/report_queue.h"
#include "spin_lock.h"

namespace panelink::platform::sim {

// Faults, numbered as the PANELINK_SIM_FAULT_* constants.
enum class Fault {
    Detail = PANELINK_SIM_FAULT_DETAIL,
    Open = PANELINK_SIM_FAULT_OPEN,
    Attributes = PANELINK_SIM_FAULT_ATTRIBUTES,
    Texts = PANELINK_SIM_FAULT_TEXTS,
    WriteTimeout = PANELINK_SIM_FAULT_WRITE_TIMEOUT,
    ReadWait = PANELINK_SIM_FAULT_READ_WAIT,
    Enumeration = PANELINK_SIM_FAULT_ENUMERATION,
};

// Input reports a HID driver would keep queued, and output reports kept for inspection.
constexpr size_t kInputQueueReports = 32;
constexpr size_t kOutputQueueReports = 1024;

// One fault switch: fails the next `count` occurrences, or every one while the count is -1.
class FaultSwitch {
  public:
    void set(int count) { remaining_ = count; }
    // True when this occurrence fails; uses up one count.
    bool trip();

  private:
    int remaining_ = 0;
};

// Fills `report` (`length` bytes, report ID byte first) with a moving board's state after
// `step` earlier reports.
using MotionFill = void (*)(uint64_t step, uint8_t *report, size_t length);

// Inputs that move by themselves: a new report every `period_ms` while the interface is read.
struct Motion {
    MotionFill fill = nullptr;
    size_t length = 0;
    uint32_t period_ms = 20;
    uint64_t step = 0;    // reports queued so far
    uint64_t last_ms = 0; // when the last one was queued
    uint8_t scratch[kMaxInputReport] = {};
};

struct Interface {
    // Set when plugged in, then never changed.
    int id = 0;
    Attributes attributes;
    std::string path;
    std::optional<std::wstring> texts[3]; // by DeviceText; empty: the request fails
    std::optional<hid::Collection> collection;

    std::atomic<bool> removed{false};

    // The board side, under `mutex`: held only for a look at the queues, faults or motion,
    // never while time passes or a responder runs, so a lock that spins briefly serves.
    SpinLock mutex;
    ReportQueue input{kInputQueueReports};
    ReportQueue output{kOutputQueueReports};
    PanelinkSimResponder responder = nullptr;
    void *responder_context = nullptr;
    FaultSwitch faults[PANELINK_SIM_FAULT_READ_WAIT + 1]; // indexed by Fault, Detail to ReadWait
    Motion motion;

    // Takes the lock.
    bool trip(Fault fault) {
        const std::lock_guard lock(mutex);
        return faults[static_cast<int>(fault)].trip();
    }

    // The time the next moving report is due, or nothing for a board whose inputs stand still.
    // Under the lock.
    std::optional<uint64_t> next_motion_ms() const;
    // Queues the next moving report when it is due at `now_ms`. Under the lock.
    void run_motion(uint64_t now_ms);
};

class Bus {
  public:
    // Plugs in a copy of the description; returns its id, or 0 for an invalid description.
    int add(const PanelinkSimInterface &description, const Motion &motion = {});
    bool remove(int id);
    // Removes every interface, clears the bus faults and sets the manual clock to 0.
    void reset();

    // A present interface, or null.
    std::shared_ptr<Interface> find(int id);
    std::shared_ptr<Interface> find_path(const std::string &path);
    // Present interfaces in the order they were added (a copy of the list).
    std::vector<std::shared_ptr<Interface>> interfaces() const;

    // Board watches: from watch() on, `sink` is told of each interface the filter accepts as it
    // is plugged in or unplugged, on the thread that does it; `present` gets those present.
    // Returns the watch's number for unwatch(), once which the sink is never called again.
    uint64_t watch(BoardEventSink &sink, BoardFilter filter, std::vector<BoardArrival> &present);
    void unwatch(uint64_t number);

    // The enumeration fault: sets its count, or uses up one occurrence.
    void set_enumeration_fault(int count);
    bool trip_enumeration_fault();

    // PANELINK_SIMULATE=demo: the built-in boards, plugged in once, at the first walk.
    void populate_from_environment_once();

    void use_manual_clock(bool manual) { manual_clock_ = manual; }
    bool manual_clock() const { return manual_clock_; }
    uint64_t now_ms() const;
    void advance_ms(uint64_t ms) { manual_ms_ += ms; }
    // Moves the manual clock on to `ms`, unless it is there already (another thread's wait may
    // have moved it further).
    void advance_to(uint64_t ms);
    // Lets `ms` pass: the manual clock moves on at once, the real one is slept through.
    void pass_time(uint32_t ms);

  private:
    struct Watcher {
        uint64_t number;
        BoardEventSink *sink;
        BoardFilter filter;
    };
    // Tells the watchers that `iface` arrived or left. Under watchers_mutex_.
    void tell_watchers(const Interface &iface, bool arrived);

    // Taken before mutex_ by every change of the list, and held while the watchers are told of
    // it, so that they hear of the changes in the order they happened.
    std::mutex watchers_mutex_;
    std::vector<Watcher> watchers_;
    uint64_t next_watcher_ = 1;

    mutable std::mutex mutex_; // the list, the ids, the enumeration fault, the environment flag
    std::vector<std::shared_ptr<Interface>> interfaces_;
    FaultSwitch enumeration_fault_;
    int next_id_ = 1; // ids are never reused within the process
    std::atomic<bool> manual_clock_{false};
    std::atomic<uint64_t> manual_ms_{0};
    bool environment_checked_ = false;
};

Bus &bus();

// The built-in demo boards (demo.cpp).
void add_demo_set(Bus &bus);

} // namespace panelink::platform::sim
