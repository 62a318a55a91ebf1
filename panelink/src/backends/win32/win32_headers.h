// The Win32 headers the Windows backend needs, included once in the right order.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The HID class headers rely on types that windows.h declares, and declare their functions
// without C linkage.
extern "C" {
#include <hidsdi.h>
}
#include <setupapi.h>
