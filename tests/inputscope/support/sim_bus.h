// Virtual boards for the window tests, on the library's simulated bus with its manual clock.
// The simulation functions are bound from the same library file the program loads, so the
// tests and the window see one bus.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace SimBus {

// Polls after which a report pushed before has been decoded: a poll starts a read, the next one
// finds it completed. A test starts from fresh poll slots: closing a board abandons its slot's
// read, and the first poll with a new handle starts afresh.
inline constexpr int kDeliveryPolls = 2;

// Switches the library to the simulated bus (manual clock) and unplugs every board.
void Reset();

struct Board {
    uint16_t productId = 0x0500;
    uint16_t versionNumber = 0x0100;
    const wchar_t *product = L"Halcyon-256 USB MODULE";
    const wchar_t *serial = L"123";
    const char *path = "sim/board";
};

// A board with 64-byte input reports (one bit per input, 512 inputs at most); its input count
// comes from the library's table for its product ID. Returns the board's id.
int AddBoard(const Board &board);
// A joystick interface with `buttons` buttons (1 to 255); its input count is the button count.
int AddJoystick(const Board &board, int buttons);

// Unplugs a board.
void Remove(int id);

// The board sends one report in which exactly the given inputs (counted from 0) are on.
void PushInputs(int id, std::initializer_list<int> inputsOn);
void PushInputs(int id, const std::vector<int> &inputsOn);
// The joystick sends one report with exactly the given buttons (counted from 0) pressed.
void PushButtons(int id, int buttons, std::initializer_list<int> pressed);

} // namespace SimBus
