// Whether a hidraw node has something to read, known without a system call: an io_uring ring of
// the node's own keeps one multishot poll armed on it, and the kernel posts a completion into
// the ring's memory (ours, mapped) each time the node wakes its readers: a report arrived, or
// the device went away. A poll of the node that finds no new completion knows that nothing came
// since its last read found the queue empty, and makes no system call at all.
//
// The reads themselves stay plain read() calls: a report costs one, and the flush behind it one
// more, as without a ring, while the kernel's own poll stays armed in between at no cost.
//
// Threads: any thread may look; the completion ring is read under a lock held for a few
// instructions. fork(): the ring's memory is not inherited (MADV_DONTFORK), and a child never
// uses a ring made before the fork (it reads as it would without one).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace panelink::platform::hidraw {

// True when this process watches its hidraw nodes through io_uring. Decided once per process, at
// the first call: false when PANELINK_IO_URING is 0, or when the kernel gives no ring (an old
// kernel, io_uring_disabled, a seccomp filter answering ENOSYS or EPERM) or no multishot poll.
bool io_ring_enabled();

// The fork()s this process's line of descent made since the library was loaded: a ring made
// under another count belongs to an ancestor.
uint64_t fork_generation();

class ReadinessRing {
  public:
    // A ring watching descriptor `fd` (registered as the ring's fixed file). Null with errno set
    // when the kernel refuses it.
    static std::unique_ptr<ReadinessRing> create(int fd);
    ~ReadinessRing();
    ReadinessRing(const ReadinessRing &) = delete;
    ReadinessRing &operator=(const ReadinessRing &) = delete;

    // False in a child of fork(): the ring is the parent's.
    bool usable() const { return generation_ == fork_generation(); }

    // The count of the node's wake-ups so far, after taking the completions that arrived (no
    // system call unless the watch has to be armed again). A read that finds the queue empty
    // remembers the count taken before it; while the count stays the same, nothing new came.
    uint64_t wakeups();

  private:
    struct Kernel;
    explicit ReadinessRing(std::unique_ptr<Kernel> kernel);
    // Arms the multishot poll; false when the kernel refuses it.
    bool arm_locked();

    std::unique_ptr<Kernel> kernel_;
    const uint64_t generation_;
};

} // namespace panelink::platform::hidraw
