// The library's functions as the program calls them.
//
// The library is not linked: each function is bound by its exported name at its first call,
// from the library file next to the program or else from the system's library path, and that
// binding serves every later call. A library or function that cannot be found is fatal: the
// fatal handler shows what is missing and ends the program with a non-zero exit status.
#pragma once

#include <cstdint>

#include <QString>
#include <QtGlobal>

#include "AppDeclarations.h"

namespace Api {

// Receives the text of a fatal binding error. The default handler shows it in a message box
// and exits with status 1; it does not return. Should a handler return, the call that needed the
// function gives its failure result instead.
using FatalHandler = void (*)(const QString &message);
void SetFatalHandler(FatalHandler handler);

// The library function of that exported name, or null after the fatal handler has run.
QFunctionPointer Resolve(const char *name);

// Detection with DetectHID; returns 0 when no board was found.
int32_t DetectHID(int32_t *count, DeviceRecord *devices, int32_t mode);
// One non-blocking poll: 2 = report decoded into inputStates, 3 = pending, 4 = timed out,
// 1 = failed.
int32_t ReadInputData(DeviceRecord *record, uint8_t *inputStates, int32_t packed);
// Closes the handles of the first `number` records.
int32_t CloseDevices(uint32_t number, DeviceRecord *devices);

} // namespace Api
