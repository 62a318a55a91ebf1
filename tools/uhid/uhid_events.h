// The byte form of the events exchanged with /dev/uhid: building the requests this side writes
// and decoding the events the kernel sends. Pure functions, so they can be checked without a
// kernel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <linux/uhid.h>

#include "virtual_hid_device.h"

namespace panelink::uhid {

// Fills `out` with a UHID_CREATE2 request. Fails (with a reason) for a descriptor that is
// empty or longer than the kernel accepts, or texts that do not fit their fields with a
// terminating zero.
bool encode_create(const Identity &identity, uhid_event &out, std::string &error);
// UHID_INPUT2 with `length` bytes (1 to UHID_DATA_MAX).
bool encode_input(const uint8_t *data, size_t length, uhid_event &out, std::string &error);
// UHID_GET_REPORT_REPLY; `length` may be 0 (an error reply carries no data).
bool encode_get_report_reply(uint32_t id, uint16_t error_code, const uint8_t *data, size_t length,
                             uhid_event &out, std::string &error);
void encode_set_report_reply(uint32_t id, uint16_t error_code, uhid_event &out);
void encode_destroy(uhid_event &out);

// Decodes `length` bytes read from /dev/uhid. The kernel may send fewer bytes than the whole
// structure; missing bytes read as zero. Data sizes beyond what the bytes or UHID_DATA_MAX hold
// are cut to what is there. Returns false for fewer than the 4 bytes of the event type.
bool decode_event(const uint8_t *bytes, size_t length, Event &event);

} // namespace panelink::uhid
