#include "ApiDeclarations.h"

#include <cstdlib>

#include <QCoreApplication>
#include <QLibrary>
#include <QMessageBox>

namespace Api {
namespace {

constexpr const char *kLibraryName = "panelink";

void ShowAndExit(const QString &message) {
    QMessageBox::critical(nullptr, QStringLiteral("Inputscope"), message);
    std::exit(EXIT_FAILURE);
}

FatalHandler &Handler() {
    static FatalHandler handler = ShowAndExit;
    return handler;
}

// The library, loaded at the first binding: the file next to the program first, then whatever
// the system's library path offers. Null when neither can be loaded (the fatal handler has run).
QLibrary *Library() {
    static QLibrary library;
    if (library.isLoaded())
        return &library;
    const QString besideProgram =
        QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(kLibraryName);
    library.setFileName(besideProgram);
    if (library.load())
        return &library;
    const QString firstError = library.errorString();
    library.setFileName(QLatin1String(kLibraryName));
    if (library.load())
        return &library;
    Handler()(QStringLiteral("The library %1 could not be loaded.\n\n%2\n%3")
                  .arg(QLatin1String(kLibraryName), firstError, library.errorString()));
    return nullptr;
}

// Binds `name` once; a failed binding is tried again at the next call.
template <typename Function> Function Bind(Function &slot, const char *name) {
    if (!slot)
        slot = reinterpret_cast<Function>(Resolve(name));
    return slot;
}

} // namespace

void SetFatalHandler(FatalHandler handler) {
    Handler() = handler ? handler : ShowAndExit;
}

QFunctionPointer Resolve(const char *name) {
    QLibrary *library = Library();
    if (!library)
        return nullptr;
    QFunctionPointer function = library->resolve(name);
    if (!function)
        Handler()(QStringLiteral("The function %1 was not found in the library %2 (%3).")
                      .arg(QLatin1String(name), QLatin1String(kLibraryName), library->fileName()));
    return function;
}

int32_t DetectHID(int32_t *count, DeviceRecord *devices, int32_t mode) {
    using Function = int32_t(PANELINK_CALL *)(int32_t *, DeviceRecord *, int32_t);
    static Function function = nullptr;
    return Bind(function, "DetectHID") ? function(count, devices, mode) : 0;
}

int32_t ReadInputData(DeviceRecord *record, uint8_t *inputStates, int32_t packed) {
    using Function = int32_t(PANELINK_CALL *)(DeviceRecord *, uint8_t *, int32_t);
    static Function function = nullptr;
    return Bind(function, "ReadInputData") ? function(record, inputStates, packed)
                                           : PANELINK_READ_FAILED;
}

int32_t CloseDevices(uint32_t number, DeviceRecord *devices) {
    using Function = int32_t(PANELINK_CALL *)(uint32_t, DeviceRecord *);
    static Function function = nullptr;
    return Bind(function, "CloseDevices") ? function(number, devices) : 0;
}

} // namespace Api
