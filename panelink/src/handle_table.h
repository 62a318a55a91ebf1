// The library's handle table: maps the 32-bit ids stored in DeviceRecord::Handle to open
// platform devices. Ids are nonzero; a closed or never-issued id is refused, never dereferenced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "backends/platform.h"

namespace panelink {

// Takes ownership of an open device and returns its new id (never 0). Returns 0 when the
// table is full (the device is then closed).
uint32_t register_device(std::unique_ptr<platform::Device> device);

// The open device behind `handle`, or null for 0, a closed or an unknown id. No allocation.
platform::Device *find_device(uint32_t handle);

// Closes the device behind `handle`. False when the id is not open.
bool close_device(uint32_t handle);

// Number of open devices (for leak checks).
size_t open_device_count();

} // namespace panelink
