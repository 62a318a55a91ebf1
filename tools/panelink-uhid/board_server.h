// Serves boards on the kernel's HID bus: creates one uhid device per board, moves their inputs
// or takes them from standard input, answers status queries and logs every output report.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "backends/simulated/demo.h"
#include "board_set.h"
#include "line_protocol.h"
#include "status_answers.h"
#include "virtual_hid_device.h"

namespace panelink::uhid_tool {

// The board models this program serves, shared with virtualboard.
using board_models::Board;
using board_models::StatusSettings;

enum class InputSource { Motion, StandardInput, None };

struct ServerOptions {
    InputSource inputs = InputSource::Motion;
    bool answer_status = true;
    StatusSettings status;
    std::chrono::milliseconds motion_period{platform::sim::kDemoMotionPeriodMs};
};

class BoardServer {
  public:
    BoardServer(std::vector<Board> boards, ServerOptions options, std::ostream &log);

    // Puts every board on the bus and lists them with their hidraw nodes. False (with the
    // reason) when a device cannot be created; boards already created stay until destruction.
    bool plug_all(std::string &error);
    // Serves until `signal_fd` (a signalfd) becomes readable or a quit command arrives.
    // Returns false when serving failed.
    bool run(int signal_fd);
    // Removes every board from the bus.
    void unplug_all();

  private:
    struct Served {
        Board board;
        std::unique_ptr<uhid::VirtualHidDevice> device;
        std::vector<uint8_t> held; // input state for `set`, report ID byte first
        uint64_t step = 0;         // motion reports sent so far
    };

    bool plug(size_t index, std::string &error);
    void unplug(size_t index);
    bool handle_events(size_t index);
    void handle_event(size_t index, const uhid::Event &event);
    void log_report(size_t index, const char *what, const std::vector<uint8_t> &data);
    void answer_status(size_t index, const std::vector<uint8_t> &query);
    void send_report(size_t index, const std::vector<uint8_t> &report_with_id);
    void move_inputs();
    // Reads what standard input has; false at its end.
    bool read_standard_input();
    void run_command(const std::string &line);
    void warn_if_short(size_t index, size_t length);
    std::string prefix(size_t index) const;

    std::vector<Served> boards_;
    ServerOptions options_;
    std::ostream &log_;
    LineSplitter lines_;
    bool quit_ = false;
};

} // namespace panelink::uhid_tool
