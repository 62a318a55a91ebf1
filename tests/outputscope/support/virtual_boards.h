// The library as the program loads it, and virtual boards on its simulated bus (manual clock)
// for the window tests. The simulation functions are bound from the same library file, so the
// tests and the window see one bus.
#pragma once

#include <cstdint>
#include <stdexcept>

#include <QByteArray>
#include <QList>

#include "panelink_library.h"

// What the library's fatal handler raises in the tests (instead of a message box).
struct FatalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The real library, loaded as the program loads it, for the whole test program.
PanelinkLibrary &TestLibrary();

namespace VirtualBoards {

// Switches the library to the simulated bus (manual clock) and unplugs every board.
void Reset();

struct Board {
    uint16_t productId = 0x0500;
    const wchar_t *product = L"Halcyon-256 USB MODULE";
    const wchar_t *serial = L"123";
    const char *path = "sim/board";
};

// A vendor-defined board with 64 data bytes in and out (65-byte reports). Returns its id.
int Add(const Board &board);
void Remove(int id);
// Every output report the board has received since the last call, oldest first.
QList<QByteArray> TakeOutputs(int id);
// The next `count` writes to the board time out (-1: all of them, 0: none).
void FailWrites(int id, int count);
// The board answers port status queries with these status bytes, two ports per query (bit 0
// present, bit 1 fault, bits 2 to 5 module type); ports beyond the list answer 0.
void AnswerPortStatus(int id, const QList<uint8_t> &portStatus);
// The configuration interface answers the dual-interface board's status query with these two
// bytes (report bytes 2 and 4 of its answer).
void AnswerConfigStatus(int id, uint8_t byte2, uint8_t byte4);

} // namespace VirtualBoards
