// PanelinkApi bound to the library file at run time.
//
// The program does not link the library: it loads the file by its absolute path, from the
// program's own folder or else from the folder the library is installed to, and binds each
// function by its exported name at its first call. A library or function that cannot be found
// is fatal: the fatal handler is given a message naming what is missing and must not return.
#pragma once

#include <functional>

#include <QLibrary>
#include <QString>
#include <QStringList>

#include "panelink_api.h"

class PanelinkLibrary final : public PanelinkApi {
  public:
    using FatalHandler = std::function<void(const QString &message)>;

    // Shows the message in a message box and ends the program with exit status 1.
    static void showAndExit(const QString &message);
    // The files tried, in order: beside the program, then in the installed library folder.
    static QStringList candidateFiles();

    // Loads the first of `files` that loads.
    explicit PanelinkLibrary(FatalHandler onFatal = showAndExit,
                             QStringList files = candidateFiles());

    int32_t detectHid(int32_t *count, DeviceRecord *devices, int32_t mode) override;
    int32_t readInputData(DeviceRecord *device, uint8_t *inputStates, int32_t packed) override;
    int32_t closeDevices(uint32_t number, DeviceRecord *devices) override;
    uint32_t monitorOpen(uint32_t flags) override;
    int32_t monitorNext(uint32_t monitor, PanelinkBoardEvent *event, uint32_t timeoutMs) override;
    intptr_t monitorWaitHandle(uint32_t monitor) override;
    int32_t monitorClose(uint32_t monitor) override;

    // The exported function of that name, or null once the fatal handler has run (should a
    // handler return, the calls above give their failure results).
    QFunctionPointer resolve(const char *name);

  private:
    bool load();
    template <typename Function> Function bind(Function &slot, const char *name);

    FatalHandler onFatal_;
    QStringList files_;
    QLibrary library_;
    int32_t(PANELINK_CALL *detectHid_)(int32_t *, DeviceRecord *, int32_t) = nullptr;
    int32_t(PANELINK_CALL *readInputData_)(DeviceRecord *, uint8_t *, int32_t) = nullptr;
    int32_t(PANELINK_CALL *closeDevices_)(uint32_t, DeviceRecord *) = nullptr;
    uint32_t(PANELINK_CALL *monitorOpen_)(uint32_t) = nullptr;
    int32_t(PANELINK_CALL *monitorNext_)(uint32_t, PanelinkBoardEvent *, uint32_t) = nullptr;
    intptr_t(PANELINK_CALL *monitorWaitHandle_)(uint32_t) = nullptr;
    int32_t(PANELINK_CALL *monitorClose_)(uint32_t) = nullptr;
};
