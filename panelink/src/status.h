// Board status retrieval: which ports, modules and flag blocks of a board are usable.
//
// Every call starts from a fixed initial fill of the caller's StatusRecord. Then it asks the board
// by the status protocol of its product (the product catalogue's): a port board queries its
// module ports two at a time (port status, then the pair's input flags) and switches whole flag
// blocks on or off by the module type found on each port; the configuration board, on its
// configuration interface, answers one query that sets its two ports. Exchanges go through
// WriteData and ReadData; a reply counts only when ReadData decodes one whose first byte after
// the report ID echoes the request's code.
#pragma once

#include <cstddef>
#include <cstdint>

#include <panelink/panelink.h>

namespace panelink::status {

constexpr size_t kMaxPorts = 24; // room in the record's port blocks (12 pairs)
constexpr size_t kPairInputFlags = 30;

// Codes of the three queries, echoed as the first byte of their replies.
constexpr uint8_t kPortStatusCode = 0x25;
constexpr uint8_t kPairInputCode = 0x27;
constexpr uint8_t kConfigStatusCode = 0x13;

// Module types that switch a flag block (1 to 7).
constexpr uint8_t kFirstModuleType = 1;
constexpr uint8_t kLastModuleType = 7;

// The first step of every call: the flags every board starts from.
void initial_fill(StatusRecord &status);

// Fills both ports of the pair starting at `first_port` from a port status reply (reply bytes
// after the report ID, so reply[1] is report byte 2), or marks them absent and faulty when
// `reply` is null.
void apply_port_status(StatusRecord &status, size_t first_port, const uint8_t *reply);

// Fills the pair's 30 input flags and both ports' type blocks from a pair input reply, or
// clears them when `reply` is null.
void apply_pair_inputs(StatusRecord &status, size_t first_port, const uint8_t *reply);

// Sets ports 0 and 1 from a configuration status reply, or marks all ports absent and faulty
// when `reply` is null.
void apply_config_status(StatusRecord &status, const uint8_t *reply);

// The whole retrieval for one board.
void retrieve(DeviceRecord &record, StatusRecord &status);

} // namespace panelink::status
