// Commands read from standard input when the inputs are driven by hand (--inputs stdin). One
// command per line; BOARD is the board's number as listed at start-up:
//
//   BOARD HEXBYTES...      send these bytes as an input report, exactly as the board sends it
//                          (boards without report IDs, all demo boards among them, send no
//                          report ID byte: a demo board's report is its data bytes, 64
//                          or the joystick's 6;
//                          kernels may drop a report shorter than the descriptor's)
//   BOARD set INPUT 0|1    switch input INPUT (bit INPUT % 8 of data byte INPUT / 8) of the
//                          board's held input state off or on, and send that state
//   BOARD unplug           remove the board from the bus
//   BOARD plug             put a removed board back
//   quit                   remove every board and end the program
//
// Empty lines and lines starting with '#' are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace panelink::uhid_tool {

struct InputCommand {
    enum class Kind { None, Report, SetInput, Unplug, Plug, Quit };
    Kind kind = Kind::None;
    size_t board = 0;
    std::vector<uint8_t> bytes; // Report
    unsigned input = 0;         // SetInput
    bool on = false;            // SetInput
};

// Parses one line for a program serving `board_count` boards. Returns false with a reason for
// a line that is no command or names no served board.
bool parse_command(std::string_view line, size_t board_count, InputCommand &command,
                   std::string &error);

// Cuts the bytes read from a stream into lines (without their '\n' or "\r\n").
class LineSplitter {
  public:
    void feed(const char *data, size_t length) { pending_.append(data, length); }
    // The next whole line, if one has arrived.
    bool next_line(std::string &line);
    // At the end of the stream: the last line when it had no '\n'.
    bool rest(std::string &line);

  private:
    std::string pending_;
};

} // namespace panelink::uhid_tool
