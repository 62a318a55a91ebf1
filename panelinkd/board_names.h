// Stable board names: the same board gets the same name across replugs, USB ports and restarts.
// By default "<product ID in 4 hex digits>-<serial number>", e.g. "0910-D0910-01", with characters
// that have no place in a topic replaced by '_'; or the name the configuration gives the product
// ID and serial number.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "config.h"

namespace panelinkd {

class BoardNamer {
  public:
    explicit BoardNamer(std::vector<BoardNameRule> rules) : rules_(std::move(rules)) {}

    // The name of the board with this product ID and whole serial text. `taken` holds the names
    // of the boards present: two boards alike in both (no serial, or a repeated one) are told
    // apart by "-2", "-3", ... in the order they arrive.
    std::string name(uint16_t product_id, const std::string &serial,
                     const std::set<std::string> &taken) const;

  private:
    std::vector<BoardNameRule> rules_;
};

} // namespace panelinkd
