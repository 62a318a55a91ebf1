// The boards of this computer: detected at the start and again whenever the board monitor
// reports an arrival, opened, polled with ReadInputData every poll interval, closed when they
// leave or fail. Every BoardSink hears of it, on the thread that runs the loop, in order; the
// registry lists the open boards for the threads that send them commands.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <panelink/panelink.h>

#include "board_names.h"
#include "board_registry.h"
#include "board_sink.h"

namespace panelinkd {

class BoardManager {
  public:
    BoardManager(std::chrono::milliseconds poll_interval, BoardNamer namer,
                 BoardRegistry &registry);
    ~BoardManager();
    BoardManager(const BoardManager &) = delete;
    BoardManager &operator=(const BoardManager &) = delete;

    // Sinks are told in the order they were added; each must outlive run().
    void add_sink(BoardSink &sink);

    // Runs the loop until `stop` returns true (asked at least once per poll interval), then
    // takes every board offline and closes it.
    void run(const std::function<bool()> &stop);

  private:
    enum class State { free, opening, online };
    struct Slot {
        State state = State::free;
        DeviceRecord record{};
        BoardInfo info;
        std::array<uint8_t, PANELINK_INPUT_STATES_SIZE> states{}; // what the sinks last saw
        std::array<uint8_t, PANELINK_INPUT_STATES_SIZE> read{};   // the latest decode
        std::shared_ptr<std::atomic<int>> status_requests;        // see OpenBoard
    };

    void take_monitor_events(uint32_t wait_ms);
    void detect(Clock::time_point now);
    void open_board(const DeviceRecord &record, Clock::time_point now);
    void poll(Slot &slot, Clock::time_point now);
    void go_online(Slot &slot);
    void close_board(Slot &slot, const char *reason);
    Clock::time_point tick_sinks(Clock::time_point now);
    bool holds(const std::string &path) const;

    std::chrono::milliseconds poll_interval_;
    BoardNamer namer_;
    BoardRegistry &registry_;
    std::vector<BoardSink *> sinks_;
    std::vector<Slot> slots_;
    std::vector<uint32_t> changed_; // reused by every poll: no allocation on the hot path
    uint32_t monitor_ = 0;
    // Interfaces present, by path, with the whole serial text the monitor reports (the record
    // keeps only three characters of it).
    std::map<std::string, std::string> serials_;
    bool detect_wanted_ = true;
    Clock::time_point detect_at_{};
    std::chrono::milliseconds retry_delay_;
};

} // namespace panelinkd
