#include "AppDeclarations.h"

#include <cstring>

DeviceRecord Devices[kDeviceSlots];
int32_t DeviceCount = 0;
int16_t SelectedDevice = 0;
int16_t CurrentPage = 0;
std::array<uint8_t, kInputDataSize> InputData{};

void ResetAppState() {
    std::memset(static_cast<void *>(Devices), 0, sizeof Devices);
    DeviceCount = 0;
    SelectedDevice = 0;
    CurrentPage = 0;
    InputData.fill(0);
}
