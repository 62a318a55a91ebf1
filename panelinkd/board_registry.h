// The open boards by name, for the threads that send them commands while the polling thread
// detects, polls and closes them. A command thread takes a copy of the board's record: once the
// polling thread has closed the board, calls through that copy fail as on any closed handle.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <panelink/panelink.h>

#include "board_sink.h"

namespace panelinkd {

struct OpenBoard {
    BoardInfo info;
    DeviceRecord record{};
    // Above 0 while a status request runs: the board answers it with input reports, which the
    // polling thread must leave to it.
    std::shared_ptr<std::atomic<int>> status_requests;
};

// Holds the board's polls back for as long as it lives.
class StatusRequestScope {
  public:
    explicit StatusRequestScope(std::shared_ptr<std::atomic<int>> count)
        : count_(std::move(count)) {
        ++*count_;
    }
    ~StatusRequestScope() { --*count_; }
    StatusRequestScope(const StatusRequestScope &) = delete;
    StatusRequestScope &operator=(const StatusRequestScope &) = delete;

  private:
    std::shared_ptr<std::atomic<int>> count_;
};

class BoardRegistry {
  public:
    void add(const OpenBoard &board);
    void remove(const std::string &name);
    // The board of that name, or nothing when none is open under it.
    std::optional<OpenBoard> find(const std::string &name) const;
    std::vector<std::string> names() const;

  private:
    mutable std::mutex lock_;
    std::map<std::string, OpenBoard> boards_;
};

} // namespace panelinkd
