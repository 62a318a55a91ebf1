#include "backends/win32/io.h"

#include <limits>
#include <mutex>
#include <new>
#include <vector>

namespace panelink::platform::windows {
namespace {

// What a started read keeps in its InputRead's platform storage.
struct PendingRead {
    OVERLAPPED overlapped;
    HANDLE file;
    size_t event_slot; // index of its event in the pool
};
static_assert(sizeof(PendingRead) <= sizeof(InputRead::platform),
              "an OVERLAPPED and its handles fit in InputRead's platform storage");
static_assert(alignof(PendingRead) <= 8, "InputRead's platform storage is 8-byte aligned");

PendingRead &pending(InputRead &read) {
    return *std::launder(reinterpret_cast<PendingRead *>(read.platform));
}

// Manual-reset events lent to reads under way, shared by every thread: each member function
// takes the pool's lock.
class EventPool {
  public:
    static constexpr size_t kNone = std::numeric_limits<size_t>::max();

    // An event for `read`, not signalled, or kNone (last error set) when none can be created.
    size_t take(InputRead &read) {
        const std::lock_guard lock(mutex_);
        for (size_t i = 0; i < slots_.size(); ++i) {
            if (slots_[i].read == nullptr) {
                slots_[i].read = &read;
                return i;
            }
        }
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (event == nullptr)
            return kNone;
        slots_.push_back({event, &read});
        return slots_.size() - 1;
    }

    void give_back(size_t index) {
        const std::lock_guard lock(mutex_);
        slots_[index].read = nullptr;
    }

    HANDLE event(size_t index) const {
        const std::lock_guard lock(mutex_);
        return slots_[index].event;
    }
    // The reads under way on `file`.
    std::vector<InputRead *> users_of(HANDLE file) const;
    size_t size() const {
        const std::lock_guard lock(mutex_);
        return slots_.size();
    }
    size_t in_use() const {
        const std::lock_guard lock(mutex_);
        size_t used = 0;
        for (const Slot &slot : slots_)
            used += slot.read != nullptr ? 1 : 0;
        return used;
    }

  private:
    struct Slot {
        HANDLE event;
        InputRead *read; // null while the event is free
    };
    mutable std::mutex mutex_;
    std::vector<Slot> slots_;
};

// Never destroyed: devices still open at exit (in the handle table) finish their reads through
// it while static objects are torn down. The system releases the events with the process.
EventPool &pool() {
    static EventPool &events = *new EventPool;
    return events;
}

std::vector<InputRead *> EventPool::users_of(HANDLE file) const {
    const std::lock_guard lock(mutex_);
    std::vector<InputRead *> reads;
    for (const Slot &slot : slots_)
        if (slot.read != nullptr && pending(*slot.read).file == file)
            reads.push_back(slot.read);
    return reads;
}

void finish(InputRead &read) {
    pool().give_back(pending(read).event_slot);
    read.started = false;
}

// Cancels one transfer and waits until the system has finished with it; true when it had
// completed after all. Only that transfer is cancelled (not every transfer of the thread on the
// handle, as CancelIo would): a blocking read or write that times out leaves a polled read
// outstanding on the same board alone, as on the other platforms.
bool cancel_and_drain(HANDLE file, OVERLAPPED &overlapped, DWORD &transferred) {
    if (!HasOverlappedIoCompleted(&overlapped))
        CancelIoEx(file, &overlapped);
    return GetOverlappedResult(file, &overlapped, &transferred, TRUE) != FALSE;
}

} // namespace

bool start_read(HANDLE file, InputRead &read) {
    if (read.started)
        cancel_read(read);
    read.transferred = 0;
    if (read.buffer == nullptr || read.length == 0 ||
        read.length > std::numeric_limits<DWORD>::max()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const size_t slot = pool().take(read);
    if (slot == EventPool::kNone)
        return false;

    PendingRead &state = *new (read.platform) PendingRead{};
    state.overlapped.hEvent = pool().event(slot);
    state.file = file;
    state.event_slot = slot;
    if (!ReadFile(file, read.buffer, static_cast<DWORD>(read.length), nullptr, &state.overlapped)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            pool().give_back(slot);
            SetLastError(error);
            return false;
        }
    }
    read.started = true;
    return true;
}

WaitResult wait_read(InputRead &read, uint32_t timeout_ms) {
    if (!read.started)
        return WaitResult::Failed;
    PendingRead &state = pending(read);
    const DWORD waited = WaitForSingleObject(state.overlapped.hEvent, timeout_ms);
    if (waited == WAIT_TIMEOUT)
        return WaitResult::TimedOut;
    if (waited != WAIT_OBJECT_0) {
        cancel_read(read);
        return WaitResult::Failed;
    }
    DWORD transferred = 0;
    if (GetOverlappedResult(state.file, &state.overlapped, &transferred, FALSE)) {
        read.transferred = transferred;
        finish(read);
        return WaitResult::Completed;
    }
    if (GetLastError() == ERROR_IO_INCOMPLETE)
        return WaitResult::TimedOut;
    finish(read); // the transfer ended in an error (device gone, cancelled)
    return WaitResult::Failed;
}

void cancel_read(InputRead &read) {
    if (!read.started)
        return;
    PendingRead &state = pending(read);
    DWORD transferred = 0;
    cancel_and_drain(state.file, state.overlapped, transferred);
    finish(read);
}

void finish_reads(HANDLE file) {
    bool cancelled = false;
    for (InputRead *read : pool().users_of(file)) {
        if (!cancelled) {
            CancelIoEx(file, nullptr); // every thread's transfers on the handle
            cancelled = true;
        }
        DWORD transferred = 0;
        GetOverlappedResult(file, &pending(*read).overlapped, &transferred, TRUE);
        read->transferred = 0;
        finish(*read);
    }
}

WaitResult write_report(HANDLE file, HANDLE event, const uint8_t *report, size_t length,
                        uint32_t timeout_ms) {
    if (event == nullptr || report == nullptr || length == 0 ||
        length > std::numeric_limits<DWORD>::max()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WaitResult::Failed;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    if (!WriteFile(file, report, static_cast<DWORD>(length), nullptr, &overlapped) &&
        GetLastError() != ERROR_IO_PENDING)
        return WaitResult::Failed;

    const DWORD waited = WaitForSingleObject(event, timeout_ms);
    DWORD written = 0;
    bool done = false;
    if (waited == WAIT_OBJECT_0)
        done = GetOverlappedResult(file, &overlapped, &written, FALSE) != FALSE;
    else
        done = cancel_and_drain(file, overlapped, written); // it may have finished meanwhile
    // A completed write counts whatever byte count it reports: Windows reports the report's
    // length, but Wine's HID stack reports another count for numbered output reports that it
    // has delivered whole.
    if (done)
        return WaitResult::Completed;
    return waited == WAIT_TIMEOUT ? WaitResult::TimedOut : WaitResult::Failed;
}

size_t read_events_created() {
    return pool().size();
}

size_t read_events_in_use() {
    return pool().in_use();
}

} // namespace panelink::platform::windows
