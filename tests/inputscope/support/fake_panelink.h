// A stand-in for the library: boards described in a few fields, detection that opens them with
// fresh handles, closing that records what it was asked to close, and polls whose results the
// test decides.
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "panelink_api.h"

struct FakeBoard {
    int16_t inputs = 256;
    uint16_t productId = 0x0500;
    uint16_t versionNumber = 0x0100;
    std::string product = "Halcyon-256 USB MODULE";
    std::string serial = "123";
};

// The record the library would fill for `board`: texts in their fields, the serial number's
// length always 3.
DeviceRecord RecordOf(const FakeBoard &board);

class FakePanelink final : public PanelinkApi {
  public:
    std::vector<FakeBoard> boards;
    // The first poll results to give, in order; PANELINK_READ_PENDING once they are used up.
    std::deque<int32_t> results;
    // The inputs (counted from 0) that a decoded poll reports on.
    std::vector<int> inputsOn;
    std::set<uint32_t> openHandles;
    std::vector<uint32_t> closeCounts; // the `number` of every closeDevices call
    int polls = 0;

    // The next poll decodes a report with exactly these inputs on.
    void report(std::vector<int> on) {
        inputsOn = std::move(on);
        results.push_back(PANELINK_READ_DECODED);
    }

    int32_t detectHid(int32_t *count, DeviceRecord *devices, int32_t mode) override;
    int32_t readInputData(DeviceRecord *device, uint8_t *inputStates, int32_t packed) override;
    int32_t closeDevices(uint32_t number, DeviceRecord *devices) override;
    // No monitor: the window then detects only on request.
    uint32_t monitorOpen(uint32_t) override { return 0; }
    int32_t monitorNext(uint32_t, PanelinkBoardEvent *, uint32_t) override {
        return PANELINK_MONITOR_CLOSED;
    }
    intptr_t monitorWaitHandle(uint32_t) override { return -1; }
    int32_t monitorClose(uint32_t) override { return 0; }

  private:
    uint32_t nextHandle_ = 1;
};
