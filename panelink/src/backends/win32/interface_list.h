// A snapshot of the present HID interfaces (SetupDiGetClassDevs), walked member by member. The
// backend's walk for enumeration and the board watch each have their own, so that the watch's
// thread never touches the one an enumeration is using.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "backends/platform.h"
#include "backends/win32/win32_headers.h"

namespace panelink::platform::windows {

class InterfaceList {
  public:
    InterfaceList();
    ~InterfaceList();
    InterfaceList(const InterfaceList &) = delete;
    InterfaceList &operator=(const InterfaceList &) = delete;

    // Takes a new snapshot, dropping the previous one. False (last error set) when none can be had.
    bool open();
    // The interface path of member `index`, as DetectHID reports it.
    WalkStep walk(uint32_t index, std::string &path);
    void close();

    // Every path of a new snapshot. False when none can be had.
    static bool present_paths(std::vector<std::string> &out);

  private:
    GUID hid_guid_{};
    HDEVINFO interfaces_ = INVALID_HANDLE_VALUE;
    std::vector<DWORD> detail_; // interface detail, reused from one member to the next
};

} // namespace panelink::platform::windows
