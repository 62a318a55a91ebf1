// Overlapped reads and writes on one hidraw node through an io_uring ring of the node's own.
//
// A read submitted once stays in flight: hidraw is pollable, so the kernel arms its own poll and
// completes the read when a report arrives, with no thread of ours or of the kernel's blocked on
// it. Looking whether it completed is a look at the completion ring in our own memory, without a
// system call. Writes are handed to the kernel's workers (IOSQE_ASYNC): hidraw ignores
// O_NONBLOCK on writes and usbhid can hold one for seconds, which must never happen on the
// caller's thread inside the submit.
//
// Threads: every thread may start, look at, wait for and cancel operations. The submission and
// completion rings are touched under one lock, held for a few instructions or one submit; the
// thread that takes a completion hands it to its operation, whichever thread waits for it. No
// lock is held while a thread sleeps in the kernel.
//
// fork(): the ring's memory is not inherited (MADV_DONTFORK), and a ring made before a fork()
// is never used by the child; the device then falls back to plain system calls there.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace panelink::platform::hidraw {

// True when this process does its hidraw I/O through io_uring. Decided once per process, at the
// first call: false when PANELINK_IO_URING is 0, or when the kernel has no ring to give (an old
// kernel, io_uring_disabled, a seccomp filter answering ENOSYS or EPERM) or lacks something the
// backend needs (fixed files, waits with a time-out, the read, write, cancel and no-op
// operations).
bool io_ring_enabled();

// Counts the fork()s this process's line of descent made since the library was loaded: a ring
// made under another count belongs to an ancestor.
uint64_t fork_generation();

// One operation through a ring. The ring writes `result` and then sets `state` to Done from
// whichever thread takes the completion; the owner reads `result` only after seeing Done.
struct RingOperation {
    enum State : int { Idle, InFlight, Done };
    std::atomic<int> state{Idle};
    int32_t result = 0; // the completion's result: bytes moved, or minus an errno value
    // A thread is (about to be) asleep in the kernel for this operation: whoever takes its
    // completion then wakes the ring, so that the sleeper cannot miss it.
    bool sleeper = false;
};

class IoRing {
  public:
    // A ring for descriptor `fd` (registered as the ring's only fixed file, so an operation keeps
    // the node even while the descriptor number is closed and reused). Null with errno set when
    // the kernel refuses it.
    static std::unique_ptr<IoRing> create(int fd);
    // Closes the ring. An operation still in flight must have been cancelled first, except a
    // write: a ring with a write still in the kernel stays alive, with the write's buffer, until
    // the write is over.
    ~IoRing();
    IoRing(const IoRing &) = delete;
    IoRing &operator=(const IoRing &) = delete;

    // False in a child of fork(): the ring is the parent's.
    bool usable() const { return generation_ == fork_generation(); }

    // Submits a read of up to `length` bytes into `buffer` (valid until the read is Done).
    // False with errno set when it cannot be submitted.
    bool start_read(RingOperation &read, void *buffer, size_t length);
    // The same after discarding every report queued now: reads that complete at once, inside
    // the submit, take queued reports and are submitted again (at most `max_discards` times).
    // With nothing queued, this costs the one submit.
    bool start_read_after_flush(RingOperation &read, void *buffer, size_t length, int max_discards);
    // Copies `length` bytes (at most kMaxWrite) of `report` into the ring's write buffer and
    // hands the write to a kernel worker. One write at a time: false with EBUSY while the
    // previous one is in flight, EINVAL for a report too long.
    bool start_write(const uint8_t *report, size_t length);
    static constexpr size_t kMaxWrite = 4096;
    RingOperation &write_operation() { return write_; }

    // Takes the completions that arrived, without a system call; true when `operation` is Done.
    bool reap(RingOperation &operation);
    // Waits until `operation` is Done (true) or `timeout_ms` passed (false). Negative waits
    // without limit.
    bool wait(RingOperation &operation, int64_t timeout_ms);
    // Cancels an operation in flight and returns once it is Done (cancelled, or completed
    // meanwhile), so that its buffer is free.
    void cancel(RingOperation &operation);

  private:
    struct Kernel;
    IoRing(std::unique_ptr<Kernel> kernel);

    bool submit_read_locked(RingOperation &read, void *buffer, size_t length);
    // Hands every completion that arrived to its operation, under the lock.
    void reap_locked();
    // Sleeps in the kernel until a completion arrives or timeout_ms passed (negative: no limit).
    // False when the ring itself fails.
    bool wait_for_completions(int64_t timeout_ms);
    // Asks the kernel to cancel `operation` when it is in flight, without waiting.
    void cancel_submit(RingOperation &operation);
    static void end_after_write(std::unique_ptr<Kernel> kernel, uint64_t write);

    std::unique_ptr<Kernel> kernel_;
    const uint64_t generation_;
    RingOperation write_;
};

} // namespace panelink::platform::hidraw
