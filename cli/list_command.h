// panelink list: the boards a detection finds, one line each or as a JSON array.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <panelink/panelink.h>

namespace panelink::cli {

struct ListOptions {
    int32_t mode = PANELINK_MODE_STANDARD;
    bool json = false;
};

CLI::App *add_list_command(CLI::App &app, ListOptions &options);

// One JSON object per record (texts as UTF-8).
nlohmann::ordered_json records_json(std::span<const DeviceRecord> records);

int run_list(const ListOptions &options, std::ostream &out, std::ostream &err);

} // namespace panelink::cli
