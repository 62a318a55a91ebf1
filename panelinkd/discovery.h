// Home Assistant discovery messages for one board: a device per board, each input a binary
// sensor on the board's retained inputs, each latched output the configuration names a switch;
// all available while both the service and the board are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config.h"
#include "topics.h"

namespace panelinkd {

struct Publication {
    std::string topic;
    std::string payload;
};

// The retained configuration messages for board `name` (product text `product`, `inputs`
// inputs).
std::vector<Publication> discovery_messages(const Config &config, const Topics &topics,
                                            const std::string &name, const std::string &product,
                                            uint32_t inputs);

} // namespace panelinkd
