// panelink status: a board's status, ports and modules, in words or as JSON.
#pragma once

#include <cstdint>
#include <ostream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <panelink/panelink.h>

#include "status_summary.h"

namespace panelink::cli {

struct StatusOptions {
    int64_t board = 0;
    int32_t mode = PANELINK_MODE_STANDARD;
    bool json = false;
};

CLI::App *add_status_command(CLI::App &app, StatusOptions &options);

nlohmann::ordered_json status_json(const DeviceRecord &record, const StatusSummary &summary);

int run_status(const StatusOptions &options, std::ostream &out, std::ostream &err);

} // namespace panelink::cli
