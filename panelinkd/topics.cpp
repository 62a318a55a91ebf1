#include "topics.h"

#include <vector>

namespace panelinkd {
namespace {

std::vector<std::string_view> split(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t slash = text.find('/', start);
        parts.push_back(text.substr(start, slash - start));
        if (slash == std::string_view::npos)
            return parts;
        start = slash + 1;
    }
}

} // namespace

std::optional<Topics::Request> Topics::parse(std::string_view topic) const {
    if (topic.size() <= prefix_.size() + 1 || topic.substr(0, prefix_.size()) != prefix_ ||
        topic[prefix_.size()] != '/')
        return std::nullopt;
    const std::vector<std::string_view> parts = split(topic.substr(prefix_.size() + 1));
    if (parts.size() != 3 || parts[0].empty() || parts[0] == "bridge")
        return std::nullopt;
    Request request;
    request.board = std::string(parts[0]);
    if (parts[1] == "set" && !parts[2].empty()) {
        request.command = std::string(parts[2]);
        return request;
    }
    if (parts[1] == "status" && parts[2] == "get") {
        request.status = true;
        return request;
    }
    return std::nullopt;
}

} // namespace panelinkd
