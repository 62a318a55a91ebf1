#include "board_event.h"

#include <cstdio>

#include "record_text.h"

namespace panelink::cli {

std::string event_path(const PanelinkBoardEvent &event) {
    return field_text(event.path, sizeof event.path, sizeof event.path);
}

std::string event_serial(const PanelinkBoardEvent &event) {
    return field_text(event.serial, sizeof event.serial, sizeof event.serial);
}

std::string event_line(const PanelinkBoardEvent &event) {
    const bool arrived = event.event == PANELINK_BOARD_ARRIVED;
    char ids[48];
    std::snprintf(ids, sizeof ids, "%04x:%04x  version 0x%04x", event.vendor_id, event.product_id,
                  event.version);
    std::string line = std::string(arrived ? "arrived" : "left   ") + "  " + ids + "  path " +
                       escape_controls(event_path(event)) + "  serial " +
                       escape_controls(event_serial(event)) + "  config " +
                       (event.config_interface ? "yes" : "no");
    if (arrived && !event.opened)
        line += "  (cannot be opened: system error " + std::to_string(event.error) + ")";
    return line;
}

nlohmann::ordered_json event_json(const PanelinkBoardEvent &event) {
    return {
        {"event", event.event == PANELINK_BOARD_ARRIVED ? "arrived" : "left"},
        {"vendor_id", event.vendor_id},
        {"product_id", event.product_id},
        {"version", event.version},
        {"path", locale_to_utf8(event_path(event))},
        {"serial", locale_to_utf8(event_serial(event))},
        {"config_interface", event.config_interface ? 1 : 0},
    };
}

} // namespace panelink::cli
