#include "backends/hidraw/errors.h"

#include <climits>
#include <cstring>

namespace panelink::platform::hidraw {
namespace {

thread_local uint32_t tls_last_error = 0;

// strerror_r comes in two shapes (GNU returns the text, XSI fills the buffer); both end here.
[[maybe_unused]] const char *message_of(const char *result, const char *) {
    return result;
}
[[maybe_unused]] const char *message_of(int result, const char *buffer) {
    return result == 0 ? buffer : nullptr;
}

} // namespace

void set_last_error(int code) {
    tls_last_error = static_cast<uint32_t>(code);
}

uint32_t last_error() {
    return tls_last_error;
}

std::string error_text(uint32_t code) {
    const int number = code > static_cast<uint32_t>(INT_MAX) ? -1 : static_cast<int>(code);
    char buffer[256] = {};
    const char *text = message_of(strerror_r(number, buffer, sizeof buffer), buffer);
    if (text == nullptr || text[0] == '\0')
        return "Unknown error " + std::to_string(code);
    return text;
}

} // namespace panelink::platform::hidraw
