#include "fake_panelink.h"

#include <algorithm>
#include <cstring>

DeviceRecord RecordOf(const FakeBoard &board) {
    DeviceRecord record{};
    record.InputCount = board.inputs;
    record.VendorID = PANELINK_VENDOR_ID_A;
    record.ProductID = board.productId;
    record.VersionNumber = board.versionNumber;
    std::memcpy(record.ProductName, board.product.data(),
                std::min(board.product.size(), sizeof record.ProductName));
    record.ProductNameLength = static_cast<int32_t>(board.product.size());
    std::memcpy(record.SerialNumber, board.serial.data(), std::min<size_t>(board.serial.size(), 3));
    record.SerialNumberLength = 3;
    return record;
}

int32_t FakePanelink::detectHid(int32_t *count, DeviceRecord *devices, int32_t mode) {
    if (mode != PANELINK_MODE_STANDARD || boards.empty())
        return 0;
    *count = static_cast<int32_t>(boards.size());
    for (size_t k = 0; k < boards.size(); ++k) {
        devices[k] = RecordOf(boards[k]);
        devices[k].Handle = nextHandle_++;
        devices[k].DeviceIndex = static_cast<uint16_t>(k);
        openHandles.insert(devices[k].Handle);
    }
    return 1;
}

int32_t FakePanelink::readInputData(DeviceRecord *device, uint8_t *inputStates, int32_t packed) {
    ++polls;
    if (packed != 0 || !openHandles.count(device->Handle))
        return PANELINK_READ_FAILED;
    if (results.empty())
        return PANELINK_READ_PENDING;
    const int32_t result = results.front();
    results.pop_front();
    if (result == PANELINK_READ_DECODED)
        for (int input : inputsOn)
            inputStates[input] = 1;
    return result;
}

int32_t FakePanelink::closeDevices(uint32_t number, DeviceRecord *devices) {
    closeCounts.push_back(number);
    for (uint32_t k = 0; k < number; ++k) {
        openHandles.erase(devices[k].Handle);
        devices[k].Handle = 0;
    }
    return 1;
}
