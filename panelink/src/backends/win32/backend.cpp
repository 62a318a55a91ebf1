// The Windows backend: SetupAPI walks the present HID interfaces, CreateFileA opens them for
// overlapped I/O, and the kernel gives the clock and the error texts.
#include <cstddef>
#include <cstring>
#include <vector>

#include "backends/platform.h"
#include "backends/win32/device.h"
#include "backends/win32/win32_headers.h"

namespace panelink::platform {
namespace {

constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE; // 0x12
static_assert(kPresentInterfaces == 0x12, "present + device-interface flags");

// SetupAPI packs its structures to 1 byte on 32-bit Windows: the detail's cbSize is 5 there
// and 8 on 64-bit Windows, and the interface data is 28 bytes on 32-bit Windows.
#ifndef _WIN64
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5, "detail cbSize on 32-bit Windows");
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 28, "interface data size on 32-bit Windows");
#endif

class WindowsBackend final : public Backend {
  public:
    ~WindowsBackend() override { end_walk(); }

    bool begin_walk() override {
        end_walk();
        HidD_GetHidGuid(&hid_guid_);
        interfaces_ = SetupDiGetClassDevsA(&hid_guid_, nullptr, nullptr, kPresentInterfaces);
        return interfaces_ != INVALID_HANDLE_VALUE;
    }

    WalkStep walk_interface(uint32_t index, std::string &path) override {
        if (interfaces_ == INVALID_HANDLE_VALUE)
            return WalkStep::End;
        SP_DEVICE_INTERFACE_DATA interface_data{};
        interface_data.cbSize = sizeof(interface_data);
        if (!SetupDiEnumDeviceInterfaces(interfaces_, nullptr, &hid_guid_, index, &interface_data))
            return WalkStep::End;

        // First the size of the detail, then the detail itself in a buffer of that size.
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailA(interfaces_, &interface_data, nullptr, 0, &required,
                                         nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
            return WalkStep::DetailFailed;
        detail_.assign((required + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
        auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(detail_.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!SetupDiGetDeviceInterfaceDetailA(interfaces_, &interface_data, detail, required,
                                              nullptr, nullptr))
            return WalkStep::DetailFailed;

        const size_t room = required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
        path.assign(detail->DevicePath, strnlen(detail->DevicePath, room));
        return WalkStep::Found;
    }

    void end_walk() override {
        if (interfaces_ != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(interfaces_);
        interfaces_ = INVALID_HANDLE_VALUE;
    }

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

    std::unique_ptr<BoardWatch> watch_boards(BoardEventSink &, BoardFilter,
                                             std::vector<BoardArrival> &) override {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED); // PLACEHOLDER: the Windows watch comes next
        return nullptr;
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

    GUID hid_guid_{};
    HDEVINFO interfaces_ = INVALID_HANDLE_VALUE;
    std::vector<DWORD> detail_; // interface detail, reused from one interface to the next
};

} // namespace

Backend &native_backend() {
    static WindowsBackend windows;
    return windows;
}

} // namespace panelink::platform
