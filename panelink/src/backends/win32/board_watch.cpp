#include "backends/win32/board_watch.h"

#include <algorithm>
#include <string>
#include <thread>

#include "backends/win32/cm_notifications.h"
#include "backends/win32/device_path.h"
#include "backends/win32/interface_list.h"
#include "backends/win32/notice_queue.h"
#include "backends/win32/notification_window.h"
#include "backends/win32/win32_headers.h"

namespace panelink::platform::windows {
namespace {

// How long the window's watch waits without a notice before it walks the interfaces.
constexpr uint32_t kCatchUpMs = 2000;

// The IDs of an interface whose path names none, from a handle opened for neither reading nor
// writing: that much any HID interface allows, and it disturbs none.
bool query_ids(const std::string &path, uint16_t &vendor_id, uint16_t &product_id) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    const bool ok = HidD_GetAttributes(file, &attributes);
    CloseHandle(file);
    vendor_id = attributes.VendorID;
    product_id = attributes.ProductID;
    return ok;
}

// True while the process ends (ExitProcess): its other threads are gone then, with the watch's
// window, and the DLLs loaded after this one (user32.dll) have been told to detach already.
bool process_ending() {
    using Query = BOOLEAN(WINAPI *)();
    static const Query query = [] {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
        return ntdll != nullptr
                   ? reinterpret_cast<Query>(GetProcAddress(ntdll, "RtlDllShutdownInProgress"))
                   : nullptr;
#pragma GCC diagnostic pop
    }();
    return query != nullptr && query() != FALSE;
}

class WindowsBoardWatch final : public BoardWatch {
  public:
    WindowsBoardWatch(Backend &backend, BoardEventSink &sink, BoardFilter filter)
        : backend_(backend), sink_(sink), filter_(filter) {}

    ~WindowsBoardWatch() override {
        if (process_ending()) {
            // A monitor left open at exit: nothing is running to be stopped or waited for, and
            // nothing may be asked of user32.dll any more.
            static_cast<void>(source_.release());
            if (worker_.joinable())
                worker_.detach();
            return;
        }
        source_.reset(); // no notice comes after this
        queue_.stop();   // the worker finishes the notice in hand, if any, and ends
        if (worker_.joinable())
            worker_.join();
    }

    bool start(std::vector<BoardArrival> &present) {
        uint32_t catch_up_ms = NoticeQueue::kForever;
        source_ = register_cm_notifications(queue_);
        if (!source_) {
            source_ = start_notification_window(queue_);
            catch_up_ms = kCatchUpMs;
        }
        if (!source_)
            return false;
        // Listening now: what arrives from here on is queued, and what is present is walked.
        // The worker starts afterwards, so that the paths reported have one owner at a time.
        std::vector<std::string> paths;
        InterfaceList::present_paths(paths);
        for (const std::string &path : paths) {
            BoardArrival arrival;
            if (describe(path, arrival)) {
                remember(path);
                present.push_back(std::move(arrival));
            } else {
                passed_over_.push_back(path);
            }
        }
        worker_ = std::thread([this, catch_up_ms] {
            Notice notice;
            for (;;) {
                const NoticeQueue::Taken taken = queue_.take(notice, catch_up_ms);
                if (taken == NoticeQueue::Taken::Stopped)
                    return;
                if (taken == NoticeQueue::Taken::Notice)
                    handle(notice);
                else
                    catch_up();
            }
        });
        return true;
    }

  private:
    void handle(const Notice &notice) {
        const std::string path = narrow_path(notice.path);
        if (path.empty())
            return;
        if (notice.arrived) {
            // The walk's spelling of the path, which DetectHID reports: the notice's may differ
            // in letter case.
            std::string walked = path;
            std::vector<std::string> paths;
            InterfaceList::present_paths(paths);
            for (const std::string &listed : paths) {
                if (same_path(listed, path)) {
                    walked = listed;
                    break;
                }
            }
            BoardArrival arrival;
            if (!describe(walked, arrival))
                return;
            remember(walked);
            sink_.arrived(arrival);
            return;
        }
        // A departure names the path its arrival was reported with; others were never boards.
        const auto reported =
            std::find_if(reported_.begin(), reported_.end(),
                         [&](const auto &known) { return same_path(known, path); });
        if (reported == reported_.end())
            return;
        const std::string known = *reported;
        reported_.erase(reported);
        sink_.left(known);
    }

    // The window's notices can be lost: under Wine a registration was seen to stay silent for
    // good. Each quiet spell ends with a walk, which finds what came or went meanwhile.
    void catch_up() {
        std::vector<std::string> paths;
        if (!InterfaceList::present_paths(paths))
            return;
        const auto walked = [&](const std::string &known) {
            return std::any_of(paths.begin(), paths.end(),
                               [&](const auto &path) { return same_path(path, known); });
        };
        std::erase_if(passed_over_, [&](const auto &path) { return !walked(path); });
        std::vector<std::string> gone;
        std::erase_if(reported_, [&](const auto &path) {
            if (walked(path))
                return false;
            gone.push_back(path);
            return true;
        });
        for (const std::string &path : gone)
            sink_.left(path);
        for (const std::string &path : paths) {
            const auto is_path = [&](const auto &known) { return known == path; };
            if (std::any_of(reported_.begin(), reported_.end(), is_path) ||
                std::any_of(passed_over_.begin(), passed_over_.end(), is_path))
                continue;
            BoardArrival arrival;
            if (!describe(path, arrival)) {
                passed_over_.push_back(path);
                continue;
            }
            remember(path);
            sink_.arrived(arrival);
        }
    }

    // What the sink is told of the interface at `path`; false when the filter passes it over
    // (then it was opened for reading and writing only if its path names no IDs and a handle
    // that can do neither gave them).
    bool describe(const std::string &path, BoardArrival &out) {
        uint16_t vendor_id = 0;
        uint16_t product_id = 0;
        if (!ids_from_path(path, vendor_id, product_id) && !query_ids(path, vendor_id, product_id))
            return false;
        if (!filter_(vendor_id, product_id))
            return false;
        out = BoardArrival{};
        out.path = path;
        out.attributes = Attributes{vendor_id, product_id, 0};
        std::unique_ptr<Device> device = backend_.open(path.c_str());
        if (!device) {
            out.opened = false;
            out.error = GetLastError();
            return true;
        }
        Attributes attributes;
        if (device->attributes(attributes)) {
            if (!filter_(attributes.vendor_id, attributes.product_id))
                return false;
            out.attributes = attributes;
        }
        wchar_t serial[kDeviceTextChars] = {};
        if (device->text(DeviceText::SerialNumber, serial))
            out.serial = serial;
        return true;
    }

    void remember(const std::string &path) {
        if (std::find(reported_.begin(), reported_.end(), path) == reported_.end())
            reported_.push_back(path);
    }

    Backend &backend_;
    BoardEventSink &sink_;
    const BoardFilter filter_;
    NoticeQueue queue_;
    std::unique_ptr<NoticeSource> source_;
    std::vector<std::string> reported_;    // paths reported as present; the worker's once it runs
    std::vector<std::string> passed_over_; // walked paths the filter passed over
    std::thread worker_;
};

} // namespace

std::unique_ptr<BoardWatch> start_board_watch(Backend &backend, BoardEventSink &sink,
                                              BoardFilter filter,
                                              std::vector<BoardArrival> &present) {
    // The watch's threads run this DLL's code: from the first watch on, the DLL stays loaded
    // until the process ends, so that a FreeLibrary with a monitor still open neither unmaps
    // code under them nor waits for them under the loader lock.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&start_board_watch), &self);
    auto watch = std::make_unique<WindowsBoardWatch>(backend, sink, filter);
    if (!watch->start(present)) {
        const DWORD error = GetLastError();
        watch.reset();
        SetLastError(error != 0 ? error : ERROR_GEN_FAILURE);
        return nullptr;
    }
    return watch;
}

} // namespace panelink::platform::windows
