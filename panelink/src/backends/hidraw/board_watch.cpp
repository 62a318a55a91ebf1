#include "backends/hidraw/board_watch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <map>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "backends/hidraw/board_arrival.h"
#include "backends/hidraw/errors.h"
#include "backends/hidraw/uevent_listener.h"

namespace panelink::platform::hidraw {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Without udevd the kernel's event may come before the node opens: tries again after 5, 10, 20 ...
// ms, at most 250 ms apart, for 2 s in all, then reports the node as not opened.
constexpr milliseconds kFirstRetry{5};
constexpr milliseconds kLongestRetry{250};
constexpr milliseconds kOpenPatience{2000};

class HidrawBoardWatch final : public BoardWatch {
  public:
    HidrawBoardWatch(Roots roots, std::unique_ptr<UeventListener> listener, int stop_fd,
                     BoardEventSink &sink, BoardFilter filter,
                     std::map<std::string, std::string> reported)
        : roots_(std::move(roots)), listener_(std::move(listener)), stop_fd_(stop_fd), sink_(sink),
          filter_(filter), reported_(std::move(reported)), thread_([this] { run(); }) {}

    ~HidrawBoardWatch() override {
        const uint64_t one = 1;
        while (::write(stop_fd_, &one, sizeof one) < 0 && errno == EINTR) {
        }
        thread_.join();
        ::close(stop_fd_);
    }

    HidrawBoardWatch(const HidrawBoardWatch &) = delete;
    HidrawBoardWatch &operator=(const HidrawBoardWatch &) = delete;

  private:
    // A node that the filter accepted and that did not open yet.
    struct Waiting {
        AcceptedNode node;
        Clock::time_point next_try;
        Clock::time_point give_up;
        milliseconds delay;
    };

    void run() {
        for (;;) {
            pollfd fds[2] = {{listener_->fd(), POLLIN, 0}, {stop_fd_, POLLIN, 0}};
            // No time-out while nothing waits: an idle watch never wakes.
            const int ready = ::poll(fds, 2, poll_timeout());
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0 || fds[1].revents != 0)
                return;
            if ((fds[0].revents & (POLLIN | POLLERR)) != 0)
                handle(listener_->receive());
            retry_waiting();
        }
    }

    int poll_timeout() const {
        if (waiting_.empty())
            return -1;
        Clock::time_point first = Clock::time_point::max();
        for (const auto &[name, entry] : waiting_)
            first = std::min(first, entry.next_try);
        const auto left = std::chrono::ceil<milliseconds>(first - Clock::now()).count();
        return static_cast<int>(std::clamp<decltype(left)>(left, 0, kOpenPatience.count()));
    }

    void handle(const Uevent &event) {
        switch (event.kind) {
        case UeventKind::Added:
            added(event.node);
            break;
        case UeventKind::Removed:
            removed(event.node);
            break;
        case UeventKind::Lost:
            resynchronise();
            break;
        case UeventKind::None:
            break;
        }
    }

    void added(const std::string &name) {
        AcceptedNode node;
        if (!accept_node(roots_, name, filter_, node))
            return;
        // The node's number came back for another interface: the earlier one has left.
        const auto known = reported_.find(name);
        if (known != reported_.end() && known->second != node.path) {
            const std::string gone = known->second;
            reported_.erase(known);
            sink_.left(gone);
        }
        BoardArrival arrival;
        if (open_arrival(roots_, node, arrival) || listener_->from_udevd()) {
            report(name, arrival);
            return;
        }
        const Clock::time_point now = Clock::now();
        waiting_[name] =
            Waiting{std::move(node), now + kFirstRetry, now + kOpenPatience, kFirstRetry};
    }

    void removed(const std::string &name) {
        waiting_.erase(name);
        const auto known = reported_.find(name);
        if (known == reported_.end())
            return;
        const std::string path = known->second;
        reported_.erase(known);
        sink_.left(path);
    }

    void retry_waiting() {
        const Clock::time_point now = Clock::now();
        for (auto it = waiting_.begin(); it != waiting_.end();) {
            Waiting &entry = it->second;
            if (entry.next_try > now) {
                ++it;
                continue;
            }
            BoardArrival arrival;
            if (open_arrival(roots_, entry.node, arrival) || now >= entry.give_up) {
                const std::string name = it->first;
                it = waiting_.erase(it);
                report(name, arrival);
                continue;
            }
            entry.delay = std::min(entry.delay * 2, kLongestRetry);
            entry.next_try = std::min(now + entry.delay, entry.give_up);
            ++it;
        }
    }

    void resynchronise() {
        std::vector<BoardArrival> present;
        std::map<std::string, std::string> reported;
        int error = 0;
        if (!present_boards(roots_, filter_, present, reported, error))
            return; // the nodes cannot be listed now; the next event tries again
        waiting_.clear();
        reported_ = std::move(reported);
        sink_.resynchronise(present);
    }

    void report(const std::string &name, const BoardArrival &arrival) {
        reported_[name] = arrival.path;
        sink_.arrived(arrival);
    }

    const Roots roots_;
    const std::unique_ptr<UeventListener> listener_;
    const int stop_fd_;
    BoardEventSink &sink_;
    const BoardFilter filter_;
    std::map<std::string, std::string> reported_; // node name -> the path its arrival carried
    std::map<std::string, Waiting> waiting_;      // node name -> a node not opened yet
    std::thread thread_;                          // last: starts once the rest is in place
};

} // namespace

std::unique_ptr<BoardWatch> start_board_watch(const Roots &roots, BoardEventSink &sink,
                                              BoardFilter filter,
                                              std::vector<BoardArrival> &present,
                                              int buffer_bytes) {
    std::unique_ptr<UeventListener> listener = UeventListener::open(buffer_bytes);
    if (listener == nullptr) {
        set_last_error(errno);
        return nullptr;
    }
    std::map<std::string, std::string> reported;
    int error = 0;
    if (!present_boards(roots, filter, present, reported, error)) {
        set_last_error(error);
        return nullptr;
    }
    const int stop_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stop_fd < 0) {
        set_last_error(errno);
        return nullptr;
    }
    try {
        return std::make_unique<HidrawBoardWatch>(roots, std::move(listener), stop_fd, sink, filter,
                                                  std::move(reported));
    } catch (const std::system_error &failure) {
        ::close(stop_fd);
        set_last_error(failure.code().value());
        return nullptr;
    }
}

} // namespace panelink::platform::hidraw
