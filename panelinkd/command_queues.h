// One queue and one thread per board for the commands clients send it: a board that takes its
// time (a write waits up to 100 ms) holds up only its own commands. Each queue holds a bounded
// number of commands; one more is refused, not waited for.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace panelinkd {

class CommandQueues {
  public:
    using Job = std::function<void()>;

    explicit CommandQueues(size_t per_board) : per_board_(per_board) {}
    // Ends every thread once its queue is empty.
    ~CommandQueues();
    CommandQueues(const CommandQueues &) = delete;
    CommandQueues &operator=(const CommandQueues &) = delete;

    // Queues `job` for `board`'s thread (started on the board's first command); false when the
    // board's queue is full or the queues are shutting down.
    bool push(const std::string &board, Job job);

    // Waits until every queued job has run, then ends the threads.
    void shut_down();

  private:
    struct Worker {
        std::mutex lock;
        std::condition_variable wake;
        std::deque<Job> jobs;
        bool ending = false;
        std::thread thread;
    };
    static void serve(Worker &worker);

    size_t per_board_;
    std::mutex lock_;
    bool shut_ = false;
    std::map<std::string, std::unique_ptr<Worker>> workers_;
};

} // namespace panelinkd
