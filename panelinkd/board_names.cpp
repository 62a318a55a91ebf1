#include "board_names.h"

#include <cstdio>

namespace panelinkd {
namespace {

constexpr size_t kMaxSerialInName = 48;

bool topic_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

std::string default_name(uint16_t product_id, const std::string &serial) {
    char id[8];
    std::snprintf(id, sizeof id, "%04x", product_id);
    std::string name = id;
    if (serial.empty())
        return name;
    name += '-';
    for (char c : serial.substr(0, kMaxSerialInName))
        name += topic_char(c) ? c : '_';
    return name;
}

} // namespace

std::string BoardNamer::name(uint16_t product_id, const std::string &serial,
                             const std::set<std::string> &taken) const {
    std::string base;
    for (const BoardNameRule &rule : rules_)
        if (rule.product_id == product_id && rule.serial == serial)
            base = rule.name;
    if (base.empty())
        base = default_name(product_id, serial);
    std::string name = base;
    for (int n = 2; taken.count(name) != 0; ++n)
        name = base + "-" + std::to_string(n);
    return name;
}

} // namespace panelinkd
