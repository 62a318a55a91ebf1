#include "backends/win32/device_path.h"

#include <algorithm>

#include "backends/win32/win32_headers.h"

namespace panelink::platform::windows {
namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of `needle` (lower case) in `text`, ignoring the case of `text`; npos if absent.
size_t find_folded(std::string_view text, std::string_view needle) {
    const auto found = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                                   [](char a, char b) { return lower(a) == b; });
    return found == text.end() ? std::string_view::npos : static_cast<size_t>(found - text.begin());
}

// Four hexadecimal digits at `at`.
bool hex4(std::string_view text, size_t at, uint16_t &out) {
    if (at + 4 > text.size())
        return false;
    unsigned value = 0;
    for (size_t i = at; i < at + 4; ++i) {
        const char c = lower(text[i]);
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else
            return false;
        value = value * 16 + digit;
    }
    out = static_cast<uint16_t>(value);
    return true;
}

} // namespace

bool ids_from_path(std::string_view path, uint16_t &vendor_id, uint16_t &product_id) {
    const size_t vendor_at = find_folded(path, "vid_");
    if (vendor_at == std::string_view::npos)
        return false;
    const size_t product_at = vendor_at + 8; // "vid_" and four digits, then "&pid_"
    if (product_at + 5 > path.size() || find_folded(path.substr(product_at, 5), "&pid_") != 0)
        return false;
    return hex4(path, vendor_at + 4, vendor_id) && hex4(path, product_at + 5, product_id);
}

bool same_path(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

std::string narrow_path(const std::wstring &path) {
    if (path.empty())
        return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()), narrow.data(),
                        length, nullptr, nullptr);
    return narrow;
}

} // namespace panelink::platform::windows
