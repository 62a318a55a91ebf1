// Device texts: sysfs holds them as UTF-8, the platform interface hands them out as wide text.
#pragma once

#include <string_view>

#include "backends/platform.h"

namespace panelink::platform::hidraw {

// Decodes UTF-8 into a terminated wide text, cut to kDeviceTextChars - 1 characters. Each byte
// that does not start or continue a valid sequence becomes U+FFFD, so no input is refused.
void utf8_to_device_text(std::string_view utf8, wchar_t (&out)[kDeviceTextChars]);

} // namespace panelink::platform::hidraw
