// Output reports to a hidraw node, written by a worker thread so that the caller's time-out holds.
//
// A hidraw write() runs synchronously inside the kernel, even on a non-blocking descriptor:
// usbhid waits up to 5 s for the board to take an interrupt-OUT report or a SET_REPORT, and
// cannot be interrupted. The writer hands each report to a thread of its own and waits for it
// at most the caller's time-out; a write still in the kernel then finishes on that thread.
//
// What holds whatever the board does:
// - At most one write is in the kernel at a time. A write that finds the previous one still
//   there waits for it within its own time-out, then gives up: nothing queues.
// - Each write copies its report before the thread sees it, and a late completion is only
//   recorded as "done", so it can never touch a later report or a later result.
// - The descriptor is closed only after the last write on it has left the kernel, so its number
//   is never reused while the thread may still write to it. Destroying the writer never waits
//   for a stuck write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

#include "backends/platform.h"

namespace panelink::platform::hidraw {

class ReportWriter {
  public:
    // Takes over `fd`, open for writing, and closes it once both the writer and any write still
    // in the kernel are done.
    explicit ReportWriter(int fd);
    ~ReportWriter();
    ReportWriter(const ReportWriter &) = delete;
    ReportWriter &operator=(const ReportWriter &) = delete;

    // Writes one report and waits at most timeout_ms for the node to take it whole. TimedOut
    // (last error ETIMEDOUT) leaves the write to finish on its own; Failed sets the last error to
    // the write's errno. After ENODEV, or a hang-up seen while waiting to write, every later
    // write fails at once with ENODEV.
    WaitResult write(const uint8_t *report, size_t length, uint32_t timeout_ms);

  private:
    struct Shared;
    // The thread's loop: writes each report handed to it, one at a time, until the writer is
    // destroyed and nothing is left in hand.
    static void serve(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> shared_;
    std::thread thread_; // started with the first report
};

} // namespace panelink::platform::hidraw
