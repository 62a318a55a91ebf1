// The hidraw backend's error codes: errno values, kept per thread like the system's last error.
#pragma once

#include <cstdint>
#include <string>

namespace panelink::platform::hidraw {

// Records `code` (an errno value) as the calling thread's last error.
void set_last_error(int code);
uint32_t last_error();

// The system's text for an errno value, without a line break ("Permission denied" for 13).
std::string error_text(uint32_t code);

} // namespace panelink::platform::hidraw
