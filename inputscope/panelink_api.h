// The library functions the program calls, behind an interface so that tests can stand in for
// the library.
#pragma once

#include <cstdint>

#include <panelink/panelink.h>

class PanelinkApi {
  public:
    virtual ~PanelinkApi() = default;

    // Detects the boards into `devices` (at most PANELINK_MAX_DEVICES records) and writes the
    // number filled to `count`; 0 when no board was found.
    virtual int32_t detectHid(int32_t *count, DeviceRecord *devices, int32_t mode) = 0;
    // One non-blocking poll of a board: PANELINK_READ_DECODED when a report was decoded into
    // `inputStates`, PANELINK_READ_PENDING, PANELINK_READ_TIMED_OUT or PANELINK_READ_FAILED.
    virtual int32_t readInputData(DeviceRecord *device, uint8_t *inputStates, int32_t packed) = 0;
    // Closes the handles of the first `number` records.
    virtual int32_t closeDevices(uint32_t number, DeviceRecord *devices) = 0;

    // The board monitor, as panelink_monitor_open, _next, _wait_handle and _close: a monitor id
    // (0 when none could be opened), the next arrival or departure, the handle that is signalled
    // while events are queued (a file descriptor, or an event HANDLE on Windows), and closing.
    virtual uint32_t monitorOpen(uint32_t flags) = 0;
    virtual int32_t monitorNext(uint32_t monitor, PanelinkBoardEvent *event,
                                uint32_t timeoutMs) = 0;
    virtual intptr_t monitorWaitHandle(uint32_t monitor) = 0;
    virtual int32_t monitorClose(uint32_t monitor) = 0;
};
