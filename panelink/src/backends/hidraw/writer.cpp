#include "backends/hidraw/writer.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <poll.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

#include "backends/hidraw/errors.h"

namespace panelink::platform::hidraw {
namespace {

using Clock = std::chrono::steady_clock;

// While a node refuses reports for now (EAGAIN, which hidraw itself never gives but a node of
// another kind may), the thread looks this often whether its writer has been destroyed.
constexpr int kRefusedPollMs = 20;

} // namespace

// What the writer and its thread share. The thread keeps it alive while a report is in its
// hands, so the descriptor stays open until the report has left the kernel.
struct ReportWriter::Shared {
    explicit Shared(int descriptor) : fd(descriptor) {}
    ~Shared() { ::close(fd); }
    Shared(const Shared &) = delete;
    Shared &operator=(const Shared &) = delete;

    const int fd;
    std::mutex mutex;
    std::condition_variable work;     // a report was handed over, or the writer is gone
    std::condition_variable done;     // the thread finished a report
    std::vector<uint8_t> report;      // the report in hand: the thread's alone while it is busy
    uint64_t started = 0;             // reports handed to the thread
    uint64_t finished = 0;            // reports it has finished; busy while below `started`
    int error = 0;                    // errno of the last finished report, 0 when taken whole
    bool gone = false;                // the node is gone: ENODEV, or a hang-up
    std::atomic<bool> closing{false}; // the writer is destroyed: stop after the report in hand

    bool busy() const { return started != finished; }
};

namespace {

// One write() of the report in hand; 0 when the node took it whole, else an errno value.
int write_report(const std::vector<uint8_t> &report, int fd, const std::atomic<bool> &closing) {
    for (;;) {
        const ssize_t written = ::write(fd, report.data(), report.size());
        if (written >= 0)
            return static_cast<size_t>(written) == report.size() ? 0 : EIO;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return errno;
        for (;;) {
            if (closing.load())
                return ECANCELED;
            pollfd waiting{fd, POLLOUT, 0};
            const int ready = ::poll(&waiting, 1, kRefusedPollMs);
            if (ready < 0 && errno != EINTR)
                return errno;
            if (ready <= 0)
                continue;
            if ((waiting.revents & POLLOUT) != 0)
                break;
            return ENODEV; // hang-up or error without room: the node is gone
        }
    }
}

} // namespace

ReportWriter::ReportWriter(int fd) : shared_(std::make_shared<Shared>(fd)) {}

ReportWriter::~ReportWriter() {
    std::unique_lock lock(shared_->mutex);
    shared_->closing = true;
    shared_->work.notify_all();
    const bool stuck = shared_->busy();
    lock.unlock();
    if (!thread_.joinable())
        return;
    // An idle thread ends at once, and joining it closes the descriptor before we return. A
    // thread still in the kernel closes it when its write comes back.
    if (stuck)
        thread_.detach();
    else
        thread_.join();
}

WaitResult ReportWriter::write(const uint8_t *report, size_t length, uint32_t timeout_ms) {
    Shared &shared = *shared_;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::unique_lock lock(shared.mutex);
    if (!shared.done.wait_until(lock, deadline, [&] { return !shared.busy(); })) {
        set_last_error(ETIMEDOUT); // the previous report is still in the kernel
        return WaitResult::TimedOut;
    }
    if (shared.gone) {
        set_last_error(ENODEV);
        return WaitResult::Failed;
    }
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread(serve, shared_);
        } catch (const std::system_error &failure) {
            set_last_error(failure.code().value());
            return WaitResult::Failed;
        }
    }
    shared.report.assign(report, report + length);
    const uint64_t mine = ++shared.started;
    shared.work.notify_one();
    if (!shared.done.wait_until(lock, deadline, [&] { return shared.finished >= mine; })) {
        set_last_error(ETIMEDOUT);
        return WaitResult::TimedOut;
    }
    if (shared.error != 0) {
        set_last_error(shared.error);
        return WaitResult::Failed;
    }
    return WaitResult::Completed;
}

void ReportWriter::serve(std::shared_ptr<Shared> shared) {
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->work.wait(lock, [&] { return shared->busy() || shared->closing.load(); });
        if (!shared->busy())
            return;
        lock.unlock();
        const int error = write_report(shared->report, shared->fd, shared->closing);
        lock.lock();
        shared->error = error;
        if (error == ENODEV)
            shared->gone = true;
        shared->finished = shared->started;
        shared->done.notify_all();
    }
}

} // namespace panelink::platform::hidraw
