// The boards of one detection, open for as long as the object lives, and one of them picked by
// its index.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include <panelink/panelink.h>

namespace panelink::cli {

class Boards {
  public:
    // Detects the boards that `mode` finds (and writes the library's detection log).
    explicit Boards(int32_t mode);
    // Closes every board detected.
    ~Boards();
    Boards(const Boards &) = delete;
    Boards &operator=(const Boards &) = delete;

    std::span<DeviceRecord> records();
    // Board `index`, or null when the detection found no such board.
    DeviceRecord *find(int64_t index);
    // Closes the boards now (the destructor does it otherwise).
    void close();

  private:
    std::vector<DeviceRecord> records_;
    int32_t count_ = 0;
};

// "board 2 (Zephyr-Lite, 12da:0910)" for messages, control bytes of the product text escaped.
std::string describe(const DeviceRecord &record);

// Board `index` of `boards`; null after saying on `err` that there is none.
DeviceRecord *pick_board(Boards &boards, int64_t index, std::ostream &err);

} // namespace panelink::cli
