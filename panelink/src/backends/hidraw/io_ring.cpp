#include "backends/hidraw/io_ring.h"

#include <cerrno>
#include <cstring>
#include <liburing.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "backends/process_environment.h"
#include "spin_lock.h"

namespace panelink::platform::hidraw {
namespace {

// The watch's completions are counted as they are taken, so a handful of entries is ample; the
// kernel keeps what does not fit and hands it over at the next enter.
constexpr unsigned kRingEntries = 4;
constexpr uint64_t kWatch = 1; // user_data of the multishot poll's completions

std::atomic<uint64_t> forks{0};
void count_fork() {
    forks.fetch_add(1, std::memory_order_relaxed);
}

// Queues a multishot poll for input on fixed file 0 (or on `fd` when it is not -1).
bool queue_watch(io_uring &ring, int fd) {
    io_uring_sqe *sqe = io_uring_get_sqe(&ring);
    if (sqe == nullptr)
        return false;
    io_uring_prep_poll_multishot(sqe, fd < 0 ? 0 : fd, POLLIN);
    if (fd < 0)
        sqe->flags |= IOSQE_FIXED_FILE;
    io_uring_sqe_set_data64(sqe, kWatch);
    return true;
}

int submit(io_uring &ring) {
    int submitted = 0;
    do {
        submitted = io_uring_submit(&ring);
    } while (submitted == -EINTR);
    return submitted;
}

// A ring that does what the watch needs, end to end: a multishot poll on an eventfd completes
// when the eventfd is written, and stays armed. A seccomp filter may allow the setup and refuse
// the enter; a kernel before multishot polls refuses the poll.
bool kernel_gives_rings() {
    io_uring ring{};
    if (io_uring_queue_init(kRingEntries, &ring, 0) < 0)
        return false;
    bool works = false;
    const int event = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (event >= 0 && queue_watch(ring, event) && submit(ring) == 1 &&
        eventfd_write(event, 1) == 0) {
        io_uring_cqe *cqe = nullptr;
        works = io_uring_wait_cqe(&ring, &cqe) == 0 && cqe->user_data == kWatch && cqe->res > 0 &&
                (cqe->res & POLLIN) != 0 && (cqe->flags & IORING_CQE_F_MORE) != 0;
    }
    if (event >= 0)
        ::close(event);
    io_uring_queue_exit(&ring);
    return works;
}

bool decide() {
    const char *forced = library_variable("PANELINK_IO_URING");
    if (forced != nullptr && std::strcmp(forced, "0") == 0)
        return false;
    if (!kernel_gives_rings())
        return false;
    pthread_atfork(nullptr, nullptr, count_fork);
    return true;
}

} // namespace

bool io_ring_enabled() {
    static const bool enabled = decide();
    return enabled;
}

uint64_t fork_generation() {
    return forks.load(std::memory_order_relaxed);
}

struct ReadinessRing::Kernel {
    io_uring ring{};
    SpinLock lock;        // the submission and completion rings, and what follows
    uint64_t wakeups = 0; // completions of the watch taken so far
    bool armed = false;   // the multishot poll is in the kernel
};

std::unique_ptr<ReadinessRing> ReadinessRing::create(int fd) {
    auto kernel = std::make_unique<Kernel>();
    const int setup = io_uring_queue_init(kRingEntries, &kernel->ring, 0);
    if (setup < 0) {
        errno = -setup;
        return nullptr;
    }
    // From here on, the ring's destructor ends the kernel's ring.
    std::unique_ptr<ReadinessRing> ring(new ReadinessRing(std::move(kernel)));
    io_uring &made = ring->kernel_->ring;
    int failed = io_uring_register_files(&made, &fd, 1);
    if (failed == 0)
        failed = io_uring_ring_dontfork(&made);
    if (failed == 0) {
        std::lock_guard guard(ring->kernel_->lock);
        if (!ring->arm_locked())
            failed = -errno;
    }
    if (failed != 0) {
        ring.reset();
        errno = -failed;
        return nullptr;
    }
    return ring;
}

ReadinessRing::ReadinessRing(std::unique_ptr<Kernel> kernel)
    : kernel_(std::move(kernel)), generation_(fork_generation()) {}

ReadinessRing::~ReadinessRing() {
    if (!usable()) {
        // A fork()'s child: the ring's mappings were not inherited, only its descriptor.
        ::close(kernel_->ring.ring_fd);
        return;
    }
    // Closing the ring ends the poll; it holds no memory of ours.
    io_uring_queue_exit(&kernel_->ring);
}

bool ReadinessRing::arm_locked() {
    if (!queue_watch(kernel_->ring, -1)) {
        errno = EBUSY;
        return false;
    }
    const int submitted = submit(kernel_->ring);
    if (submitted < 0) {
        errno = -submitted;
        return false;
    }
    kernel_->armed = true;
    return true;
}

uint64_t ReadinessRing::wakeups() {
    Kernel &kernel = *kernel_;
    std::lock_guard guard(kernel.lock);
    io_uring &ring = kernel.ring;
    // Completions the kernel kept aside while the ring was full come back with an enter.
    if (io_uring_cq_has_overflow(&ring))
        io_uring_get_events(&ring);
    unsigned head = 0;
    unsigned seen = 0;
    io_uring_cqe *cqe = nullptr;
    io_uring_for_each_cqe(&ring, head, cqe) {
        ++seen;
        if (cqe->user_data != kWatch)
            continue;
        ++kernel.wakeups;
        if ((cqe->flags & IORING_CQE_F_MORE) == 0)
            kernel.armed = false; // the kernel ended the poll (an error, or no room to post)
    }
    io_uring_cq_advance(&ring, seen);
    if (!kernel.armed) {
        // A wake-up may have gone unseen while no poll was armed: count one, so that the caller
        // reads; when the kernel refuses a new poll, every look counts one and every poll reads.
        ++kernel.wakeups;
        arm_locked();
    }
    return kernel.wakeups;
}

} // namespace panelink::platform::hidraw
