#include "command_queues.h"

namespace panelinkd {

CommandQueues::~CommandQueues() {
    shut_down();
}

bool CommandQueues::push(const std::string &board, Job job) {
    const std::lock_guard lock(lock_);
    if (shut_)
        return false;
    std::unique_ptr<Worker> &worker = workers_[board];
    if (!worker) {
        worker = std::make_unique<Worker>();
        worker->thread = std::thread(serve, std::ref(*worker));
    }
    {
        const std::lock_guard worker_lock(worker->lock);
        if (worker->jobs.size() >= per_board_)
            return false;
        worker->jobs.push_back(std::move(job));
    }
    worker->wake.notify_one();
    return true;
}

void CommandQueues::serve(Worker &worker) {
    std::unique_lock lock(worker.lock);
    for (;;) {
        worker.wake.wait(lock, [&] { return worker.ending || !worker.jobs.empty(); });
        if (worker.jobs.empty())
            return; // ending, and nothing left to do
        Job job = std::move(worker.jobs.front());
        // The job stays counted until it has run: the bound covers the command under way.
        lock.unlock();
        job();
        lock.lock();
        worker.jobs.pop_front();
    }
}

void CommandQueues::shut_down() {
    std::map<std::string, std::unique_ptr<Worker>> workers;
    {
        const std::lock_guard lock(lock_);
        shut_ = true;
        workers.swap(workers_);
    }
    for (auto &[board, worker] : workers) {
        {
            const std::lock_guard lock(worker->lock);
            worker->ending = true;
        }
        worker->wake.notify_one();
        worker->thread.join();
    }
}

} // namespace panelinkd
