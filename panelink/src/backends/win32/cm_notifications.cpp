#include "backends/win32/cm_notifications.h"

#include <cstddef>
#include <cwchar>

#include "backends/win32/win32_headers.h"

#include <cfgmgr32.h>

namespace panelink::platform::windows {
namespace {

using RegisterNotification = CONFIGRET(WINAPI *)(PCM_NOTIFY_FILTER, PVOID, PCM_NOTIFY_CALLBACK,
                                                 PHCMNOTIFICATION);
using UnregisterNotification = CONFIGRET(WINAPI *)(HCMNOTIFICATION);

template <typename Function> Function look_up(HMODULE module, const char *name) {
    // GetProcAddress gives every function the same type; the names' own types are above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
    return reinterpret_cast<Function>(GetProcAddress(module, name));
#pragma GCC diagnostic pop
}

class CmNotifications final : public NoticeSource {
  public:
    CmNotifications(HMODULE module, UnregisterNotification unregister, NoticeQueue &queue)
        : module_(module), unregister_(unregister), queue_(queue) {}

    ~CmNotifications() override {
        // Waits for callbacks under way: afterwards none runs.
        if (notification_ != nullptr)
            unregister_(notification_);
        FreeLibrary(module_);
    }

    bool start(RegisterNotification register_notification) {
        CM_NOTIFY_FILTER filter{};
        filter.cbSize = sizeof(filter);
        filter.FilterType = CM_NOTIFY_FILTER_TYPE_DEVICEINTERFACE;
        HidD_GetHidGuid(&filter.u.DeviceInterface.ClassGuid);
        return register_notification(&filter, this, &CmNotifications::callback, &notification_) ==
                   CR_SUCCESS &&
               notification_ != nullptr;
    }

  private:
    static DWORD CALLBACK callback(HCMNOTIFICATION, PVOID context, CM_NOTIFY_ACTION action,
                                   PCM_NOTIFY_EVENT_DATA data, DWORD size) {
        const bool arrived = action == CM_NOTIFY_ACTION_DEVICEINTERFACEARRIVAL;
        if ((!arrived && action != CM_NOTIFY_ACTION_DEVICEINTERFACEREMOVAL) || data == nullptr ||
            data->FilterType != CM_NOTIFY_FILTER_TYPE_DEVICEINTERFACE)
            return ERROR_SUCCESS;
        constexpr size_t link_offset =
            offsetof(CM_NOTIFY_EVENT_DATA, u.DeviceInterface.SymbolicLink);
        if (size <= link_offset)
            return ERROR_SUCCESS;
        const wchar_t *link = data->u.DeviceInterface.SymbolicLink;
        const size_t length = wcsnlen(link, (size - link_offset) / sizeof(wchar_t));
        static_cast<CmNotifications *>(context)->queue_.push(arrived, link, length);
        return ERROR_SUCCESS;
    }

    HMODULE module_;
    UnregisterNotification unregister_;
    NoticeQueue &queue_;
    HCMNOTIFICATION notification_ = nullptr;
};

} // namespace

std::unique_ptr<NoticeSource> register_cm_notifications(NoticeQueue &queue) {
    HMODULE module = LoadLibraryW(L"cfgmgr32.dll");
    if (module == nullptr)
        return nullptr;
    const auto register_notification =
        look_up<RegisterNotification>(module, "CM_Register_Notification");
    const auto unregister = look_up<UnregisterNotification>(module, "CM_Unregister_Notification");
    if (register_notification == nullptr || unregister == nullptr) {
        FreeLibrary(module);
        return nullptr;
    }
    auto source = std::make_unique<CmNotifications>(module, unregister, queue);
    if (!source->start(register_notification))
        return nullptr; // the destructor lets go of the library
    return source;
}

} // namespace panelink::platform::windows
