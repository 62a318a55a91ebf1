// The open boards by name, for the threads that send them commands while the polling thread
// detects, polls and closes them. A command thread takes a copy of the board's record: once the
// polling thread has closed the board, calls through that copy fail as on any closed handle.
#pragma once

#include <map>
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
};

class BoardRegistry {
  public:
    void add(const BoardInfo &info, const DeviceRecord &record);
    void remove(const std::string &name);
    // The board of that name, or nothing when none is open under it.
    std::optional<OpenBoard> find(const std::string &name) const;
    std::vector<std::string> names() const;

  private:
    mutable std::mutex lock_;
    std::map<std::string, OpenBoard> boards_;
};

} // namespace panelinkd
