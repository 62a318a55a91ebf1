// The library functions the Qt programs call, behind interfaces so that tests can stand in for
// the library: PanelinkApi for finding and reading boards, PanelinkOutputApi adding the writes,
// the status query and the output commands.
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

// The calls that drive a board's outputs, each as the export of the same name documents it.
// Every write returns the record's OutputReportByteLength when the board took the report, else 0.
class PanelinkOutputApi : public PanelinkApi {
  public:
    // Detects only the interfaces of one product, as DetectDevice.
    virtual int32_t detectDevice(int32_t *count, DeviceRecord *devices, int32_t productId,
                                 int32_t mode) = 0;
    virtual int32_t writeData(DeviceRecord *device, const uint8_t *report) = 0;
    virtual int32_t retrieveStatus(DeviceRecord *device, StatusRecord *status) = 0;
    virtual int32_t writeDirectOutput(DeviceRecord *device, int32_t port, const uint8_t *data) = 0;
    virtual int32_t writeMuxOutput(DeviceRecord *device, int32_t port, const uint8_t *data) = 0;
    virtual int32_t writeLatchedOutput(DeviceRecord *device, int32_t port, const uint8_t *states,
                                       int32_t parameter) = 0;
    virtual int32_t writeSpiDac(DeviceRecord *device, int32_t port, const uint8_t *data,
                                int32_t parameter) = 0;
    virtual int32_t cmdGlcd(DeviceRecord *device, int32_t port, int32_t parameter,
                            int32_t command) = 0;
    virtual int32_t writeGlcd(DeviceRecord *device, int32_t port, int32_t position,
                              int32_t lineCount, int32_t parameter, const char *text) = 0;
    virtual int32_t writeDotMatrix(DeviceRecord *device, int32_t port, const uint8_t *patterns,
                                   int32_t parameter) = 0;
    virtual int32_t writeCrtRwr(DeviceRecord *device, int32_t port, int32_t value, int32_t count,
                                int32_t startIndex, const int32_t *values) = 0;
    virtual int32_t write7Segment(DeviceRecord *device, const uint8_t *bytes) = 0;
    virtual int32_t clearLcd(DeviceRecord *device) = 0;
    virtual int32_t writeLcd(DeviceRecord *device, int32_t selector, const char *text,
                             int32_t parameter) = 0;
    virtual int32_t writeDisplayOutput(DeviceRecord *device, int32_t port, const char *text,
                                       int32_t parameter) = 0;
    virtual int32_t writeTandem(DeviceRecord *device, const char *layout, int32_t parameter) = 0;
    // The loaded library's version text ("major.minor.patch").
    virtual const char *version() = 0;
};
