#include "backends/win32/interface_list.h"

#include <cstddef>
#include <cstring>

namespace panelink::platform::windows {

constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE; // 0x12
static_assert(kPresentInterfaces == 0x12, "present + device-interface flags");

// SetupAPI packs its structures to 1 byte on 32-bit Windows: the detail's cbSize is 5 there
// and 8 on 64-bit Windows, and the interface data is 28 bytes on 32-bit Windows.
#ifndef _WIN64
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5, "detail cbSize on 32-bit Windows");
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 28, "interface data size on 32-bit Windows");
#endif

InterfaceList::InterfaceList() {
    HidD_GetHidGuid(&hid_guid_);
}

InterfaceList::~InterfaceList() {
    close();
}

bool InterfaceList::open() {
    close();
    interfaces_ = SetupDiGetClassDevsA(&hid_guid_, nullptr, nullptr, kPresentInterfaces);
    return interfaces_ != INVALID_HANDLE_VALUE;
}

WalkStep InterfaceList::walk(uint32_t index, std::string &path) {
    if (interfaces_ == INVALID_HANDLE_VALUE)
        return WalkStep::End;
    SP_DEVICE_INTERFACE_DATA interface_data{};
    interface_data.cbSize = sizeof(interface_data);
    if (!SetupDiEnumDeviceInterfaces(interfaces_, nullptr, &hid_guid_, index, &interface_data))
        return WalkStep::End;

    // First the size of the detail, then the detail itself in a buffer of that size.
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(interfaces_, &interface_data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
        return WalkStep::DetailFailed;
    detail_.assign((required + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(detail_.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(interfaces_, &interface_data, detail, required, nullptr,
                                          nullptr))
        return WalkStep::DetailFailed;

    const size_t room = required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    path.assign(detail->DevicePath, strnlen(detail->DevicePath, room));
    return WalkStep::Found;
}

void InterfaceList::close() {
    if (interfaces_ != INVALID_HANDLE_VALUE)
        SetupDiDestroyDeviceInfoList(interfaces_);
    interfaces_ = INVALID_HANDLE_VALUE;
}

bool InterfaceList::present_paths(std::vector<std::string> &out) {
    out.clear();
    InterfaceList list;
    if (!list.open())
        return false;
    std::string path;
    for (uint32_t index = 0;; ++index) {
        const WalkStep step = list.walk(index, path);
        if (step == WalkStep::End)
            break;
        if (step == WalkStep::Found)
            out.push_back(path);
    }
    return true;
}

} // namespace panelink::platform::windows
