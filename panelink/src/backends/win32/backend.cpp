// The Windows backend: SetupAPI walks the present HID interfaces, CreateFileA opens them for
// overlapped I/O, the board watch follows arrivals and departures, and the kernel gives the
// clock and the error texts.
#include <vector>

#include "backends/platform.h"
#include "backends/win32/board_watch.h"
#include "backends/win32/device.h"
#include "backends/win32/interface_list.h"
#include "backends/win32/win32_headers.h"

namespace panelink::platform {
namespace {

class WindowsBackend final : public Backend {
  public:
    bool begin_walk() override { return interfaces_.open(); }

    WalkStep walk_interface(uint32_t index, std::string &path) override {
        return interfaces_.walk(index, path);
    }

    void end_walk() override { interfaces_.close(); }

    std::unique_ptr<Device> open(const char *path) override {
        if (path == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        HANDLE file =
            CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return nullptr;
        return std::make_unique<windows::WindowsDevice>(file);
    }

    std::unique_ptr<BoardWatch> watch_boards(BoardEventSink &sink, BoardFilter filter,
                                             std::vector<BoardArrival> &present) override {
        return windows::start_board_watch(*this, sink, filter, present);
    }

    uint64_t now_ms() override {
        // The performance counter is monotonic; split the division so the product cannot
        // overflow however long the machine has been up.
        LARGE_INTEGER counter{};
        QueryPerformanceCounter(&counter);
        const auto ticks = static_cast<uint64_t>(counter.QuadPart);
        const uint64_t frequency = counter_frequency();
        return ticks / frequency * 1000 + ticks % frequency * 1000 / frequency;
    }

    uint32_t last_error() override { return GetLastError(); }

    std::string error_text(uint32_t code) override {
        char *message = nullptr;
        const DWORD length =
            FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                           reinterpret_cast<char *>(&message), 0, nullptr);
        std::string text;
        if (length > 0 && message != nullptr)
            text.assign(message, length);
        if (message != nullptr)
            LocalFree(message);
        // System texts end in "\r\n"; the log line adds its own line break.
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        return text;
    }

  private:
    static uint64_t counter_frequency() {
        static const uint64_t frequency = [] {
            LARGE_INTEGER value{};
            QueryPerformanceFrequency(&value);
            return value.QuadPart > 0 ? static_cast<uint64_t>(value.QuadPart) : 1;
        }();
        return frequency;
    }

    windows::InterfaceList interfaces_; // the enumeration's walk
};

} // namespace

Backend &native_backend() {
    static WindowsBackend windows;
    return windows;
}

} // namespace panelink::platform
