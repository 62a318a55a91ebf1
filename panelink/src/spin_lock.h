// A lock for sections that never block and last a few dozen instructions (one poll's look at its
// outstanding read, a virtual board's queue). Taking it when it is free costs one atomic
// exchange and giving it back one store, less than a mutex; a thread that finds it taken yields
// until it is free. Meets the Lockable requirements, so std::lock_guard and std::unique_lock
// take it.
#pragma once

#include <atomic>
#include <thread>

namespace panelink {

class SpinLock {
  public:
    void lock() noexcept {
        while (locked_.exchange(true, std::memory_order_acquire)) {
            while (locked_.load(std::memory_order_relaxed))
                std::this_thread::yield();
        }
    }
    bool try_lock() noexcept { return !locked_.exchange(true, std::memory_order_acquire); }
    void unlock() noexcept { locked_.store(false, std::memory_order_release); }

  private:
    std::atomic<bool> locked_{false};
};

} // namespace panelink
