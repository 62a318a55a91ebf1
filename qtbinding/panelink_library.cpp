#include "panelink_library.h"

#include <cstdlib>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include "library_file.h"

PanelinkLibrary::FatalHandler PanelinkLibrary::messageBoxAndExit(const QString &title) {
    return [title](const QString &message) {
        QMessageBox::critical(nullptr, title, message);
        std::exit(EXIT_FAILURE);
    };
}

QStringList PanelinkLibrary::candidateFiles() {
    // Both folders are absolute: the platform never looks for the file in the current folder.
    const QString file = QStringLiteral(PANELINK_QT_LIBRARY_FILE);
    return {QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(file),
            QDir(QStringLiteral(PANELINK_QT_INSTALLED_LIBRARY_DIR)).absoluteFilePath(file)};
}

PanelinkLibrary::PanelinkLibrary(FatalHandler onFatal, QStringList files, Instance instance)
    : onFatal_(std::move(onFatal)), files_(std::move(files)),
      file_(instance == Instance::Private ? LibraryFile::privateInstance()
                                          : LibraryFile::shared()) {}

PanelinkLibrary::~PanelinkLibrary() = default;

bool PanelinkLibrary::load() {
    if (file_->isLoaded())
        return true;
    QStringList errors;
    for (const QString &file : files_) {
        if (!QFileInfo::exists(file)) {
            errors.append(QStringLiteral("%1: no such file").arg(file));
            continue;
        }
        if (file_->load(file))
            return true;
        errors.append(file_->errorString());
    }
    onFatal_(QStringLiteral("The library panelink could not be loaded.\n\n") +
             errors.join(QLatin1Char('\n')));
    return false;
}

QFunctionPointer PanelinkLibrary::resolve(const char *name) {
    if (!load())
        return nullptr;
    QFunctionPointer function = file_->resolve(name);
    if (!function)
        onFatal_(QStringLiteral("The function %1 was not found in the library panelink (%2).")
                     .arg(QLatin1String(name), file_->fileName()));
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

int32_t PanelinkLibrary::detectDevice(int32_t *count, DeviceRecord *devices, int32_t productId,
                                      int32_t mode) {
    return bind(detectDevice_, "DetectDevice") ? detectDevice_(count, devices, productId, mode) : 0;
}

int32_t PanelinkLibrary::writeData(DeviceRecord *device, const uint8_t *report) {
    return bind(writeData_, "WriteData") ? writeData_(device, report) : 0;
}

int32_t PanelinkLibrary::retrieveStatus(DeviceRecord *device, StatusRecord *status) {
    return bind(retrieveStatus_, "RetrieveStatus") ? retrieveStatus_(device, status) : 0;
}

int32_t PanelinkLibrary::writeDirectOutput(DeviceRecord *device, int32_t port,
                                           const uint8_t *data) {
    return bind(writeDirectOutput_, "WriteDirectOutput") ? writeDirectOutput_(device, port, data)
                                                         : 0;
}

int32_t PanelinkLibrary::writeMuxOutput(DeviceRecord *device, int32_t port, const uint8_t *data) {
    return bind(writeMuxOutput_, "WriteMuxOutput") ? writeMuxOutput_(device, port, data) : 0;
}

int32_t PanelinkLibrary::writeLatchedOutput(DeviceRecord *device, int32_t port,
                                            const uint8_t *states, int32_t parameter) {
    return bind(writeLatchedOutput_, "WriteLatchedOutput")
               ? writeLatchedOutput_(device, port, states, parameter)
               : 0;
}

int32_t PanelinkLibrary::writeSpiDac(DeviceRecord *device, int32_t port, const uint8_t *data,
                                     int32_t parameter) {
    return bind(writeSpiDac_, "WriteSPIDAC") ? writeSpiDac_(device, port, data, parameter) : 0;
}

int32_t PanelinkLibrary::cmdGlcd(DeviceRecord *device, int32_t port, int32_t parameter,
                                 int32_t command) {
    return bind(cmdGlcd_, "CmdGLCD") ? cmdGlcd_(device, port, parameter, command) : 0;
}

int32_t PanelinkLibrary::writeGlcd(DeviceRecord *device, int32_t port, int32_t position,
                                   int32_t lineCount, int32_t parameter, const char *text) {
    return bind(writeGlcd_, "WriteGLCD")
               ? writeGlcd_(device, port, position, lineCount, parameter, text)
               : 0;
}

int32_t PanelinkLibrary::writeDotMatrix(DeviceRecord *device, int32_t port, const uint8_t *patterns,
                                        int32_t parameter) {
    return bind(writeDotMatrix_, "WriteDotMatrix")
               ? writeDotMatrix_(device, port, patterns, parameter)
               : 0;
}

int32_t PanelinkLibrary::writeCrtRwr(DeviceRecord *device, int32_t port, int32_t value,
                                     int32_t count, int32_t startIndex, const int32_t *values) {
    return bind(writeCrtRwr_, "WriteCRTRWR")
               ? writeCrtRwr_(device, port, value, count, startIndex, values)
               : 0;
}

int32_t PanelinkLibrary::write7Segment(DeviceRecord *device, const uint8_t *bytes) {
    return bind(write7Segment_, "Write7Segment") ? write7Segment_(device, bytes) : 0;
}

int32_t PanelinkLibrary::clearLcd(DeviceRecord *device) {
    return bind(clearLcd_, "ClearLCD") ? clearLcd_(device, 0) : 0;
}

int32_t PanelinkLibrary::writeLcd(DeviceRecord *device, int32_t selector, const char *text,
                                  int32_t parameter) {
    return bind(writeLcd_, "WriteLCD") ? writeLcd_(device, 0, selector, text, parameter) : 0;
}

int32_t PanelinkLibrary::writeDisplayOutput(DeviceRecord *device, int32_t port, const char *text,
                                            int32_t parameter) {
    return bind(writeDisplayOutput_, "WriteDisplayOutput")
               ? writeDisplayOutput_(device, port, text, parameter)
               : 0;
}

int32_t PanelinkLibrary::writeTandem(DeviceRecord *device, const char *layout, int32_t parameter) {
    return bind(writeTandem_, "WriteTANDEM") ? writeTandem_(device, layout, parameter) : 0;
}

const char *PanelinkLibrary::version() {
    return bind(version_, "panelink_version") ? version_() : "";
}
