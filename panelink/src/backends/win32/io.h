// Overlapped reads and writes on an open Windows handle.
//
// A read keeps its OVERLAPPED in the InputRead's platform storage, together with the handle it
// was started on, so it can be waited on or cancelled through any device object. Its event
// comes from a process-wide pool: an event is taken when a read starts and given back when the
// read completes or is cancelled, so reads in a steady polling loop create no event and the
// per-call reads of ReadData leave none behind.
#pragma once

#include <cstddef>
#include <cstdint>

#include "backends/platform.h"
#include "backends/win32/win32_headers.h"

namespace panelink::platform::windows {

// Starts an overlapped ReadFile of read.length bytes into read.buffer. A read still under way
// in `read` is cancelled first. False when the transfer cannot be started (last error set).
bool start_read(HANDLE file, InputRead &read);

// Waits at most timeout_ms for a started read. Completed fills read.transferred; a read that
// ends in an error gives Failed. Either way the read is then finished (read.started false).
WaitResult wait_read(InputRead &read, uint32_t timeout_ms);

// Cancels a started read (that read only, CancelIoEx with its OVERLAPPED) and waits until the
// system has let go of its buffer.
void cancel_read(InputRead &read);

// Cancels and finishes every read under way on `file`, from any thread; for closing it.
void finish_reads(HANDLE file);

// One overlapped WriteFile with a time-out, on an event the caller owns (manual reset). On a
// time-out or failure the write is cancelled and finished before this returns, so `report` is
// no longer used by the system.
WaitResult write_report(HANDLE file, HANDLE event, const uint8_t *report, size_t length,
                        uint32_t timeout_ms);

// Number of events the read pool holds, and how many are lent to reads under way (for tests).
size_t read_events_created();
size_t read_events_in_use();

} // namespace panelink::platform::windows
