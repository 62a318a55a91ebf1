// A monitor's board events in the tool's words: the event's texts, its line for people and its
// JSON object.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include <panelink/panelink.h>

namespace panelink::cli {

// The event's path and serial as the library wrote them (multibyte, in the current locale), read
// no further than their fields even without a terminator.
std::string event_path(const PanelinkBoardEvent &event);
std::string event_serial(const PanelinkBoardEvent &event);

// "arrived  12da:0700  version 0x0102  path sim://a  serial S01  config no", control bytes of
// the texts escaped; an arrival that could not be opened says so and gives the system's error.
std::string event_line(const PanelinkBoardEvent &event);

// {"event":"arrived"|"left","vendor_id":..,"product_id":..,"version":..,"path":..,"serial":..,
// "config_interface":0|1}, texts as UTF-8.
nlohmann::ordered_json event_json(const PanelinkBoardEvent &event);

} // namespace panelink::cli
