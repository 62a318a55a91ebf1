#include "backends/win32/notification_window.h"

#include <atomic>
#include <cstddef>
#include <cwchar>
#include <future>
#include <string>
#include <thread>

#include "backends/win32/win32_headers.h"

#include <dbt.h>

namespace panelink::platform::windows {
namespace {

// The functions of user32.dll the window needs, looked up once and kept for the process.
struct User32 {
    decltype(&::RegisterClassExW) register_class = nullptr;
    decltype(&::UnregisterClassW) unregister_class = nullptr;
    decltype(&::CreateWindowExW) create_window = nullptr;
    decltype(&::DestroyWindow) destroy_window = nullptr;
    decltype(&::DefWindowProcW) default_procedure = nullptr;
    decltype(&::GetMessageW) get_message = nullptr;
    decltype(&::DispatchMessageW) dispatch_message = nullptr;
    decltype(&::PostMessageW) post_message = nullptr;
    decltype(&::PostQuitMessage) post_quit_message = nullptr;
    decltype(&::RegisterDeviceNotificationW) register_notification = nullptr;
    decltype(&::UnregisterDeviceNotification) unregister_notification = nullptr;
    DWORD error = 0; // why it could not be had

    bool complete() const {
        return register_class && unregister_class && create_window && destroy_window &&
               default_procedure && get_message && dispatch_message && post_message &&
               post_quit_message && register_notification && unregister_notification;
    }
};

template <typename Function> void look_up(HMODULE module, const char *name, Function &out) {
    // GetProcAddress gives every function the same type; each member has its own.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
    out = reinterpret_cast<Function>(GetProcAddress(module, name));
#pragma GCC diagnostic pop
}

const User32 &user32() {
    static const User32 functions = [] {
        User32 loaded;
        HMODULE module = LoadLibraryW(L"user32.dll");
        if (module == nullptr) {
            loaded.error = GetLastError();
            return loaded;
        }
        look_up(module, "RegisterClassExW", loaded.register_class);
        look_up(module, "UnregisterClassW", loaded.unregister_class);
        look_up(module, "CreateWindowExW", loaded.create_window);
        look_up(module, "DestroyWindow", loaded.destroy_window);
        look_up(module, "DefWindowProcW", loaded.default_procedure);
        look_up(module, "GetMessageW", loaded.get_message);
        look_up(module, "DispatchMessageW", loaded.dispatch_message);
        look_up(module, "PostMessageW", loaded.post_message);
        look_up(module, "PostQuitMessage", loaded.post_quit_message);
        look_up(module, "RegisterDeviceNotificationW", loaded.register_notification);
        look_up(module, "UnregisterDeviceNotification", loaded.unregister_notification);
        if (!loaded.complete())
            loaded.error = ERROR_PROC_NOT_FOUND;
        return loaded;
    }();
    return functions;
}

class NotificationWindow;
// The window of the calling thread: the window procedure runs on the window's own thread only.
thread_local NotificationWindow *thread_window = nullptr;

class NotificationWindow final : public NoticeSource {
  public:
    explicit NotificationWindow(NoticeQueue &queue) : queue_(queue) {}

    ~NotificationWindow() override {
        if (!thread_.joinable())
            return;
        // The window closes itself on its own thread, whose loop then ends. At process exit the
        // thread is gone already, and with it the window: nothing to post to, nothing to wait for.
        if (window_ != nullptr)
            user32().post_message(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }

    // False with the last error set when the window could not be made and registered.
    bool start() {
        std::promise<DWORD> started;
        std::future<DWORD> result = started.get_future();
        thread_ = std::thread([this, &started] { run(started); });
        const DWORD error = result.get();
        if (error != 0) {
            thread_.join(); // its loop never started
            window_ = nullptr;
            SetLastError(error);
            return false;
        }
        return true;
    }

  private:
    void run(std::promise<DWORD> &started) {
        const User32 &functions = user32();
        if (!functions.complete()) {
            started.set_value(functions.error);
            return;
        }
        static std::atomic<unsigned> windows_made{0};
        const std::wstring class_name =
            L"panelink board watch " + std::to_wstring(windows_made.fetch_add(1));
        HMODULE module = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&NotificationWindow::procedure), &module);
        WNDCLASSEXW window_class{};
        window_class.cbSize = sizeof(window_class);
        window_class.lpfnWndProc = &NotificationWindow::procedure;
        window_class.hInstance = module;
        window_class.lpszClassName = class_name.c_str();
        if (functions.register_class(&window_class) == 0) {
            started.set_value(GetLastError());
            return;
        }
        thread_window = this;
        HWND window = functions.create_window(0, class_name.c_str(), L"", 0, 0, 0, 0, 0,
                                              HWND_MESSAGE, nullptr, module, nullptr);
        DWORD error = window != nullptr ? 0 : GetLastError();
        if (window != nullptr) {
            DEV_BROADCAST_DEVICEINTERFACE_W filter{};
            filter.dbcc_size = sizeof(filter);
            filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
            HidD_GetHidGuid(&filter.dbcc_classguid);
            registration_ =
                functions.register_notification(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
            if (registration_ == nullptr) {
                error = GetLastError();
                functions.destroy_window(window);
            }
        }
        if (error == 0) {
            window_ = window;
            started.set_value(0); // `started` is gone once the starter has its value
            MSG message;
            while (functions.get_message(&message, nullptr, 0, 0) > 0)
                functions.dispatch_message(&message);
        } else {
            started.set_value(error != 0 ? error : ERROR_GEN_FAILURE);
        }
        thread_window = nullptr;
        functions.unregister_class(class_name.c_str(), module);
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM what, LPARAM data) {
        const User32 &functions = user32();
        NotificationWindow *self = thread_window;
        switch (message) {
        case WM_DEVICECHANGE:
            if (self != nullptr && (what == DBT_DEVICEARRIVAL || what == DBT_DEVICEREMOVECOMPLETE))
                self->tell(what == DBT_DEVICEARRIVAL, reinterpret_cast<const void *>(data));
            return TRUE;
        case WM_CLOSE:
            if (self != nullptr && self->registration_ != nullptr) {
                functions.unregister_notification(self->registration_);
                self->registration_ = nullptr;
            }
            functions.destroy_window(window);
            return 0;
        case WM_DESTROY:
            functions.post_quit_message(0);
            return 0;
        default:
            return functions.default_procedure(window, message, what, data);
        }
    }

    // Pushes an interface's arrival or removal; other kinds of devices are passed over.
    void tell(bool arrived, const void *data) {
        const auto *header = static_cast<const DEV_BROADCAST_HDR *>(data);
        if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
            return;
        const auto *interface = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_W *>(data);
        constexpr size_t name_offset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
        if (interface->dbcc_size <= name_offset)
            return;
        const size_t room = (interface->dbcc_size - name_offset) / sizeof(wchar_t);
        queue_.push(arrived, interface->dbcc_name, wcsnlen(interface->dbcc_name, room));
    }

    NoticeQueue &queue_;
    std::thread thread_;
    HWND window_ = nullptr;             // set once the loop runs
    HDEVNOTIFY registration_ = nullptr; // used on the window's thread only
};

} // namespace

std::unique_ptr<NoticeSource> start_notification_window(NoticeQueue &queue) {
    auto window = std::make_unique<NotificationWindow>(queue);
    if (!window->start())
        return nullptr;
    return window;
}

} // namespace panelink::platform::windows
