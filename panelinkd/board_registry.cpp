#include "board_registry.h"

namespace panelinkd {

void BoardRegistry::add(const OpenBoard &board) {
    const std::lock_guard lock(lock_);
    boards_[board.info.name] = board;
}

void BoardRegistry::remove(const std::string &name) {
    const std::lock_guard lock(lock_);
    boards_.erase(name);
}

std::optional<OpenBoard> BoardRegistry::find(const std::string &name) const {
    const std::lock_guard lock(lock_);
    const auto found = boards_.find(name);
    if (found == boards_.end())
        return std::nullopt;
    return found->second;
}

std::vector<std::string> BoardRegistry::names() const {
    const std::lock_guard lock(lock_);
    std::vector<std::string> names;
    for (const auto &[name, board] : boards_)
        names.push_back(name);
    return names;
}

} // namespace panelinkd
