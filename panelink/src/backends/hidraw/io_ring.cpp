#include "backends/hidraw/io_ring.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <liburing.h>
#include <mutex>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "backends/hidraw/clock.h"
#include "backends/process_environment.h"
#include "spin_lock.h"

namespace panelink::platform::hidraw {
namespace {

// Operations in flight on one node are few (one read per poll slot that reads the board, a
// ReadData, one write, the cancels): the completion ring holds twice this many.
constexpr unsigned kRingEntries = 32;

std::atomic<uint64_t> forks{0};
void count_fork() {
    forks.fetch_add(1, std::memory_order_relaxed);
}

// user_data of the completions nobody waits for: cancels and wake-ups.
constexpr uint64_t kNobody = 0;

bool has_operations(io_uring &ring) {
    io_uring_probe *probe = io_uring_get_probe_ring(&ring);
    if (probe == nullptr)
        return false;
    const bool all = io_uring_opcode_supported(probe, IORING_OP_READ) &&
                     io_uring_opcode_supported(probe, IORING_OP_WRITE) &&
                     io_uring_opcode_supported(probe, IORING_OP_ASYNC_CANCEL) &&
                     io_uring_opcode_supported(probe, IORING_OP_NOP);
    io_uring_free_probe(probe);
    return all;
}

// A ring that works end to end: set up, its operations known, and a no-op through it (a seccomp
// filter may allow the setup and refuse the submit).
bool kernel_gives_rings() {
    io_uring ring{};
    io_uring_params params{};
    if (io_uring_queue_init_params(4, &ring, &params) < 0)
        return false;
    bool works = (params.features & IORING_FEAT_EXT_ARG) != 0 &&
                 (params.features & IORING_FEAT_NODROP) != 0 && has_operations(ring);
    if (works) {
        io_uring_sqe *sqe = io_uring_get_sqe(&ring);
        io_uring_prep_nop(sqe);
        io_uring_cqe *cqe = nullptr;
        works = io_uring_submit_and_wait(&ring, 1) == 1 && io_uring_peek_cqe(&ring, &cqe) == 0 &&
                cqe->res == 0;
    }
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

struct IoRing::Kernel {
    io_uring ring{};
    SpinLock lock; // the submission and completion rings
    alignas(64) uint8_t write_buffer[kMaxWrite] = {};
};

std::unique_ptr<IoRing> IoRing::create(int fd) {
    auto kernel = std::make_unique<Kernel>();
    const int setup = io_uring_queue_init(kRingEntries, &kernel->ring, 0);
    if (setup < 0) {
        errno = -setup;
        return nullptr;
    }
    const int registered = io_uring_register_files(&kernel->ring, &fd, 1);
    const int kept = registered < 0 ? 0 : io_uring_ring_dontfork(&kernel->ring);
    if (registered < 0 || kept < 0) {
        io_uring_queue_exit(&kernel->ring);
        errno = registered < 0 ? -registered : -kept;
        return nullptr;
    }
    return std::unique_ptr<IoRing>(new IoRing(std::move(kernel)));
}

IoRing::IoRing(std::unique_ptr<Kernel> kernel)
    : kernel_(std::move(kernel)), generation_(fork_generation()) {}

// Ends a ring whose last write is still in the kernel: once the write is over, nothing of the
// ring's is used any more. `write` is only compared with the completions' user_data.
void IoRing::end_after_write(std::unique_ptr<Kernel> kernel, uint64_t write) {
    bool over = false;
    while (!over) {
        io_uring_cqe *cqe = nullptr;
        const int waited = io_uring_wait_cqe(&kernel->ring, &cqe);
        if (waited == -EINTR)
            continue;
        if (waited < 0)
            break; // the ring itself failed: no completion can come any more
        over = cqe->user_data == write;
        io_uring_cqe_seen(&kernel->ring, cqe);
    }
    io_uring_queue_exit(&kernel->ring);
}

IoRing::~IoRing() {
    if (!usable()) {
        // A fork()'s child: the ring's memory is not ours, only its descriptor.
        ::close(kernel_->ring.ring_fd);
        return; // its mappings were not inherited: nothing to unmap
    }
    if (write_.state.load(std::memory_order_acquire) == RingOperation::InFlight) {
        cancel_submit(write_);
        if (!reap(write_)) {
            // Still in the kernel (usbhid holds it): a thread of its own waits for it, so that the
            // buffer and the ring outlive it, and this returns at once.
            const auto write = reinterpret_cast<uint64_t>(&write_);
            try {
                std::thread(end_after_write, std::move(kernel_), write).detach();
            } catch (const std::system_error &) {
                (void)kernel_.release(); // NOLINT: without a thread, the ring is kept for good
            }
            return;
        }
    }
    io_uring_queue_exit(&kernel_->ring);
}

// A submission entry, after handing the queued ones to the kernel when none is free.
static io_uring_sqe *free_entry(io_uring &ring) {
    io_uring_sqe *sqe = io_uring_get_sqe(&ring);
    if (sqe == nullptr && io_uring_submit(&ring) >= 0)
        sqe = io_uring_get_sqe(&ring);
    return sqe;
}

// Hands the queued entries to the kernel. False with errno set when it refuses them.
static bool submit(io_uring &ring) {
    int submitted = 0;
    do {
        submitted = io_uring_submit(&ring);
    } while (submitted == -EINTR);
    if (submitted < 0) {
        errno = -submitted;
        return false;
    }
    return true;
}

bool IoRing::submit_read_locked(RingOperation &read, void *buffer, size_t length) {
    io_uring_sqe *sqe = free_entry(kernel_->ring);
    if (sqe == nullptr) {
        errno = EBUSY;
        return false;
    }
    // Fixed file 0 is the node; offset -1 reads at the file position, as read() does.
    io_uring_prep_read(sqe, 0, buffer, static_cast<unsigned>(length), static_cast<uint64_t>(-1));
    sqe->flags |= IOSQE_FIXED_FILE;
    io_uring_sqe_set_data(sqe, &read);
    read.sleeper = false;
    read.state.store(RingOperation::InFlight, std::memory_order_relaxed);
    if (!submit(kernel_->ring)) {
        read.state.store(RingOperation::Idle, std::memory_order_relaxed);
        return false;
    }
    return true;
}

bool IoRing::start_read(RingOperation &read, void *buffer, size_t length) {
    std::lock_guard guard(kernel_->lock);
    return submit_read_locked(read, buffer, length);
}

bool IoRing::start_read_after_flush(RingOperation &read, void *buffer, size_t length,
                                    int max_discards) {
    std::lock_guard guard(kernel_->lock);
    for (int discarded = 0;; ++discarded) {
        if (!submit_read_locked(read, buffer, length))
            return false;
        // A read that completed inside the submit took a report that was already queued.
        reap_locked();
        if (read.state.load(std::memory_order_acquire) != RingOperation::Done || read.result <= 0 ||
            discarded == max_discards)
            return true;
    }
}

bool IoRing::start_write(const uint8_t *report, size_t length) {
    if (length == 0 || length > kMaxWrite) {
        errno = EINVAL;
        return false;
    }
    std::lock_guard guard(kernel_->lock);
    if (write_.state.load(std::memory_order_acquire) == RingOperation::InFlight) {
        errno = EBUSY;
        return false;
    }
    std::memcpy(kernel_->write_buffer, report, length);
    io_uring_sqe *sqe = free_entry(kernel_->ring);
    if (sqe == nullptr) {
        errno = EBUSY;
        return false;
    }
    io_uring_prep_write(sqe, 0, kernel_->write_buffer, static_cast<unsigned>(length),
                        static_cast<uint64_t>(-1));
    // To a kernel worker, never inline in the submit: the node may hold the write for seconds.
    sqe->flags |= IOSQE_FIXED_FILE | IOSQE_ASYNC;
    io_uring_sqe_set_data(sqe, &write_);
    write_.sleeper = false;
    write_.state.store(RingOperation::InFlight, std::memory_order_relaxed);
    if (!submit(kernel_->ring)) {
        write_.state.store(RingOperation::Idle, std::memory_order_relaxed);
        return false;
    }
    return true;
}

void IoRing::reap_locked() {
    io_uring &ring = kernel_->ring;
    // Completions the kernel kept aside while the ring was full come back with an enter.
    if (io_uring_cq_has_overflow(&ring))
        io_uring_get_events(&ring);
    bool wake = false;
    unsigned head = 0;
    unsigned seen = 0;
    io_uring_cqe *cqe = nullptr;
    io_uring_for_each_cqe(&ring, head, cqe) {
        ++seen;
        auto *operation = static_cast<RingOperation *>(io_uring_cqe_get_data(cqe));
        if (operation == nullptr)
            continue;
        wake = wake || operation->sleeper;
        operation->result = cqe->res;
        // From here on the operation is its owner's again, who may free it.
        operation->state.store(RingOperation::Done, std::memory_order_release);
    }
    io_uring_cq_advance(&ring, seen);
    if (wake) {
        // A sleeper about to enter the kernel would wait for one more completion: give it one.
        io_uring_sqe *sqe = free_entry(ring);
        if (sqe != nullptr) {
            io_uring_prep_nop(sqe);
            io_uring_sqe_set_data64(sqe, kNobody);
            submit(ring);
        }
    }
}

bool IoRing::reap(RingOperation &operation) {
    std::lock_guard guard(kernel_->lock);
    reap_locked();
    return operation.state.load(std::memory_order_acquire) == RingOperation::Done;
}

bool IoRing::wait_for_completions(int64_t timeout_ms) {
    __kernel_timespec limit{};
    limit.tv_sec = timeout_ms / 1000;
    limit.tv_nsec = (timeout_ms % 1000) * 1000000;
    io_uring_getevents_arg arg{};
    arg.ts = timeout_ms < 0 ? 0 : reinterpret_cast<uint64_t>(&limit);
    const int entered = io_uring_enter2(static_cast<unsigned>(kernel_->ring.ring_fd), 0, 1,
                                        IORING_ENTER_GETEVENTS | IORING_ENTER_EXT_ARG,
                                        reinterpret_cast<sigset_t *>(&arg), sizeof arg);
    return entered >= 0 || entered == -EINTR || entered == -ETIME || entered == -EAGAIN ||
           entered == -EBUSY;
}

bool IoRing::wait(RingOperation &operation, int64_t timeout_ms) {
    const uint64_t deadline =
        timeout_ms < 0 ? 0 : monotonic_ms() + static_cast<uint64_t>(timeout_ms);
    for (;;) {
        {
            std::lock_guard guard(kernel_->lock);
            reap_locked();
            const bool done =
                operation.state.load(std::memory_order_acquire) == RingOperation::Done;
            if (!done)
                operation.sleeper = true;
            else
                return true;
        }
        int64_t left = -1;
        if (timeout_ms >= 0) {
            const uint64_t now = monotonic_ms();
            left = now >= deadline ? 0 : static_cast<int64_t>(deadline - now);
        }
        if (left == 0 || !wait_for_completions(left)) {
            std::lock_guard guard(kernel_->lock);
            operation.sleeper = false;
            reap_locked();
            return operation.state.load(std::memory_order_acquire) == RingOperation::Done;
        }
    }
}

void IoRing::cancel_submit(RingOperation &operation) {
    std::lock_guard guard(kernel_->lock);
    reap_locked();
    if (operation.state.load(std::memory_order_acquire) != RingOperation::InFlight)
        return;
    io_uring_sqe *sqe = free_entry(kernel_->ring);
    if (sqe == nullptr)
        return;
    io_uring_prep_cancel64(sqe, reinterpret_cast<uint64_t>(&operation), 0);
    io_uring_sqe_set_data64(sqe, kNobody);
    submit(kernel_->ring);
}

void IoRing::cancel(RingOperation &operation) {
    if (operation.state.load(std::memory_order_acquire) == RingOperation::Idle)
        return;
    cancel_submit(operation);
    wait(operation, -1);
}

} // namespace panelink::platform::hidraw
