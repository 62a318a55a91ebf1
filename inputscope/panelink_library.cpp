#include "panelink_library.h"

#include <cstdlib>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

void PanelinkLibrary::showAndExit(const QString &message) {
    QMessageBox::critical(nullptr, QStringLiteral("Inputscope"), message);
    std::exit(EXIT_FAILURE);
}

QStringList PanelinkLibrary::candidateFiles() {
    // Both folders are absolute: the platform never looks for the file in the current folder.
    const QString file = QStringLiteral(INPUTSCOPE_LIBRARY_FILE);
    return {QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(file),
            QDir(QStringLiteral(INPUTSCOPE_INSTALLED_LIBRARY_DIR)).absoluteFilePath(file)};
}

PanelinkLibrary::PanelinkLibrary(FatalHandler onFatal, QStringList files)
    : onFatal_(std::move(onFatal)), files_(std::move(files)) {}

bool PanelinkLibrary::load() {
    if (library_.isLoaded())
        return true;
    QStringList errors;
    for (const QString &file : files_) {
        if (!QFileInfo::exists(file)) {
            errors.append(QStringLiteral("%1: no such file").arg(file));
            continue;
        }
        library_.setFileName(file);
        if (library_.load())
            return true;
        errors.append(library_.errorString());
    }
    onFatal_(QStringLiteral("The library panelink could not be loaded.\n\n") +
             errors.join(QLatin1Char('\n')));
    return false;
}

QFunctionPointer PanelinkLibrary::resolve(const char *name) {
    if (!load())
        return nullptr;
    QFunctionPointer function = library_.resolve(name);
    if (!function)
        onFatal_(QStringLiteral("The function %1 was not found in the library panelink (%2).")
                     .arg(QLatin1String(name), library_.fileName()));
    return function;
}

// Binds `name` at the first call; a failed binding is tried again at the next call.
template <typename Function> Function PanelinkLibrary::bind(Function &slot, const char *name) {
    if (!slot)
        slot = reinterpret_cast<Function>(resolve(name));
    return slot;
}

int32_t PanelinkLibrary::detectHid(int32_t *count, DeviceRecord *devices, int32_t mode) {
    return bind(detectHid_, "DetectHID") ? detectHid_(count, devices, mode) : 0;
}

int32_t PanelinkLibrary::readInputData(DeviceRecord *device, uint8_t *inputStates, int32_t packed) {
    return bind(readInputData_, "ReadInputData") ? readInputData_(device, inputStates, packed)
                                                 : PANELINK_READ_FAILED;
}

int32_t PanelinkLibrary::closeDevices(uint32_t number, DeviceRecord *devices) {
    return bind(closeDevices_, "CloseDevices") ? closeDevices_(number, devices) : 0;
}

uint32_t PanelinkLibrary::monitorOpen(uint32_t flags) {
    return bind(monitorOpen_, "panelink_monitor_open") ? monitorOpen_(flags) : 0;
}

int32_t PanelinkLibrary::monitorNext(uint32_t monitor, PanelinkBoardEvent *event,
                                     uint32_t timeoutMs) {
    return bind(monitorNext_, "panelink_monitor_next") ? monitorNext_(monitor, event, timeoutMs)
                                                       : PANELINK_MONITOR_CLOSED;
}

intptr_t PanelinkLibrary::monitorWaitHandle(uint32_t monitor) {
    return bind(monitorWaitHandle_, "panelink_monitor_wait_handle") ? monitorWaitHandle_(monitor)
                                                                    : -1;
}

int32_t PanelinkLibrary::monitorClose(uint32_t monitor) {
    return bind(monitorClose_, "panelink_monitor_close") ? monitorClose_(monitor) : 0;
}
