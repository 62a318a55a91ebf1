// Interface paths as the system's notices give them, against those the SetupAPI walk gives: the
// notices name the same interface, but Windows and Wine need not agree on letter case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace panelink::platform::windows {

// The vendor and product IDs a USB HID interface path names ("vid_12da&pid_0910", either case).
// False when the path names none.
bool ids_from_path(std::string_view path, uint16_t &vendor_id, uint16_t &product_id);

// True when two paths differ in the case of ASCII letters at most.
bool same_path(std::string_view a, std::string_view b);

// A wide path in the ANSI code page, as the walk's SetupDiGetDeviceInterfaceDetailA gives it;
// empty when it cannot be converted.
std::string narrow_path(const std::wstring &path);

} // namespace panelink::platform::windows
