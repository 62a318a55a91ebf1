// PanelinkOutputApi bound to the library file at run time.
//
// The programs do not link the library: they load the file by its absolute path, from the
// program's own folder or else from the folder the library is installed to, and bind each
// function by its exported name at its first call. A library or function that cannot be found
// is fatal: the fatal handler is given a message naming what is missing and must not return.
//
// A library may also be loaded as a private instance: a second copy of the library in the same
// process, with state of its own (its own virtual bus, handles and board monitor), which the
// shared instance never sees. outputscope uses one to record the report each output command
// builds.
#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QStringList>

#include "panelink_api.h"

class LibraryFile;

class PanelinkLibrary final : public PanelinkOutputApi {
  public:
    using FatalHandler = std::function<void(const QString &message)>;

    // How the file is loaded: the one instance of the process, or a private second instance.
    enum class Instance { Shared, Private };

    // A handler that shows the message in a message box titled `title` and ends the program
    // with exit status 1.
    static FatalHandler messageBoxAndExit(const QString &title);
    // The files tried, in order: beside the program, then in the installed library folder.
    static QStringList candidateFiles();

    // Loads the first of `files` that loads, at the first call.
    explicit PanelinkLibrary(FatalHandler onFatal, QStringList files = candidateFiles(),
                             Instance instance = Instance::Shared);
    ~PanelinkLibrary() override;
    PanelinkLibrary(const PanelinkLibrary &) = delete;
    PanelinkLibrary &operator=(const PanelinkLibrary &) = delete;

    int32_t detectHid(int32_t *count, DeviceRecord *devices, int32_t mode) override;
    int32_t readInputData(DeviceRecord *device, uint8_t *inputStates, int32_t packed) override;
    int32_t closeDevices(uint32_t number, DeviceRecord *devices) override;
    uint32_t monitorOpen(uint32_t flags) override;
    int32_t monitorNext(uint32_t monitor, PanelinkBoardEvent *event, uint32_t timeoutMs) override;
    intptr_t monitorWaitHandle(uint32_t monitor) override;
    int32_t monitorClose(uint32_t monitor) override;

    int32_t detectDevice(int32_t *count, DeviceRecord *devices, int32_t productId,
                         int32_t mode) override;
    int32_t writeData(DeviceRecord *device, const uint8_t *report) override;
    int32_t retrieveStatus(DeviceRecord *device, StatusRecord *status) override;
    int32_t writeDirectOutput(DeviceRecord *device, int32_t port, const uint8_t *data) override;
    int32_t writeMuxOutput(DeviceRecord *device, int32_t port, const uint8_t *data) override;
    int32_t writeLatchedOutput(DeviceRecord *device, int32_t port, const uint8_t *states,
                               int32_t parameter) override;
    int32_t writeSpiDac(DeviceRecord *device, int32_t port, const uint8_t *data,
                        int32_t parameter) override;
    int32_t cmdGlcd(DeviceRecord *device, int32_t port, int32_t parameter,
                    int32_t command) override;
    int32_t writeGlcd(DeviceRecord *device, int32_t port, int32_t position, int32_t lineCount,
                      int32_t parameter, const char *text) override;
    int32_t writeDotMatrix(DeviceRecord *device, int32_t port, const uint8_t *patterns,
                           int32_t parameter) override;
    int32_t writeCrtRwr(DeviceRecord *device, int32_t port, int32_t value, int32_t count,
                        int32_t startIndex, const int32_t *values) override;
    int32_t write7Segment(DeviceRecord *device, const uint8_t *bytes) override;
    int32_t clearLcd(DeviceRecord *device) override;
    int32_t writeLcd(DeviceRecord *device, int32_t selector, const char *text,
                     int32_t parameter) override;
    int32_t writeDisplayOutput(DeviceRecord *device, int32_t port, const char *text,
                               int32_t parameter) override;
    int32_t writeTandem(DeviceRecord *device, const char *layout, int32_t parameter) override;
    const char *version() override;

    // The exported function of that name, or null once the fatal handler has run (should a
    // handler return, the calls above give their failure results).
    QFunctionPointer resolve(const char *name);

  private:
    bool load();
    template <typename Function> Function bind(Function &slot, const char *name);

    FatalHandler onFatal_;
    QStringList files_;
    std::unique_ptr<LibraryFile> file_;
    int32_t(PANELINK_CALL *detectHid_)(int32_t *, DeviceRecord *, int32_t) = nullptr;
    int32_t(PANELINK_CALL *readInputData_)(DeviceRecord *, uint8_t *, int32_t) = nullptr;
    int32_t(PANELINK_CALL *closeDevices_)(uint32_t, DeviceRecord *) = nullptr;
    uint32_t(PANELINK_CALL *monitorOpen_)(uint32_t) = nullptr;
    int32_t(PANELINK_CALL *monitorNext_)(uint32_t, PanelinkBoardEvent *, uint32_t) = nullptr;
    intptr_t(PANELINK_CALL *monitorWaitHandle_)(uint32_t) = nullptr;
    int32_t(PANELINK_CALL *monitorClose_)(uint32_t) = nullptr;
    int32_t(PANELINK_CALL *detectDevice_)(int32_t *, DeviceRecord *, int32_t, int32_t) = nullptr;
    int32_t(PANELINK_CALL *writeData_)(DeviceRecord *, const uint8_t *) = nullptr;
    int32_t(PANELINK_CALL *retrieveStatus_)(DeviceRecord *, StatusRecord *) = nullptr;
    int32_t(PANELINK_CALL *writeDirectOutput_)(DeviceRecord *, int32_t, const uint8_t *) = nullptr;
    int32_t(PANELINK_CALL *writeMuxOutput_)(DeviceRecord *, int32_t, const uint8_t *) = nullptr;
    int32_t(PANELINK_CALL *writeLatchedOutput_)(DeviceRecord *, int32_t, const uint8_t *,
                                                int32_t) = nullptr;
    int32_t(PANELINK_CALL *writeSpiDac_)(DeviceRecord *, int32_t, const uint8_t *,
                                         int32_t) = nullptr;
    int32_t(PANELINK_CALL *cmdGlcd_)(DeviceRecord *, int32_t, int32_t, int32_t) = nullptr;
    int32_t(PANELINK_CALL *writeGlcd_)(DeviceRecord *, int32_t, int32_t, int32_t, int32_t,
                                       const char *) = nullptr;
    int32_t(PANELINK_CALL *writeDotMatrix_)(DeviceRecord *, int32_t, const uint8_t *,
                                            int32_t) = nullptr;
    int32_t(PANELINK_CALL *writeCrtRwr_)(DeviceRecord *, int32_t, int32_t, int32_t, int32_t,
                                         const int32_t *) = nullptr;
    int32_t(PANELINK_CALL *write7Segment_)(DeviceRecord *, const uint8_t *) = nullptr;
    int32_t(PANELINK_CALL *clearLcd_)(DeviceRecord *, int32_t) = nullptr;
    int32_t(PANELINK_CALL *writeLcd_)(DeviceRecord *, int32_t, int32_t, const char *,
                                      int32_t) = nullptr;
    int32_t(PANELINK_CALL *writeDisplayOutput_)(DeviceRecord *, int32_t, const char *,
                                                int32_t) = nullptr;
    int32_t(PANELINK_CALL *writeTandem_)(DeviceRecord *, const char *, int32_t) = nullptr;
    const char *(PANELINK_CALL *version_)() = nullptr;
};
