#include "setup_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "hex.h"

namespace panelink::virtualboard {
namespace {

using nlohmann::json;

constexpr unsigned kLargestModuleType = 15;

std::string product_text(uint16_t product) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", product);
    return text;
}

// A non-negative whole number up to `max`, given as a JSON number or as text ("0x0500", "1280").
bool read_number(const json &value, unsigned long max, unsigned long &out) {
    if (value.is_number_integer()) {
        const auto number = value.get<long long>();
        out = static_cast<unsigned long>(number);
        return number >= 0 && out <= max;
    }
    if (value.is_string()) {
        const auto parsed = board_models::parse_number(value.get<std::string>(), max);
        if (parsed) {
            out = *parsed;
            return true;
        }
    }
    return false;
}

bool read_input(const json &value, unsigned &input) {
    unsigned long number = 0;
    if (!read_number(value, 0xFFFF, number)) {
        return false;
    }
    input = static_cast<unsigned>(number);
    return true;
}

bool read_board(const json &item, BoardSetup &setup, std::string &error) {
    if (!item.is_object()) {
        error = "is not an object";
        return false;
    }
    unsigned long product = 0;
    if (!item.contains("product") || !read_number(item["product"], 0xFFFF, product)) {
        error = "needs \"product\", a product ID from 0 to 0xffff";
        return false;
    }
    setup.product = static_cast<uint16_t>(product);
    const json empty = json::array();
    const json &ports = item.value("ports", empty);
    const json &encoders = item.value("encoders", empty);
    const json &buttons = item.value("push_buttons", empty);
    if (!ports.is_array() || !encoders.is_array() || !buttons.is_array()) {
        error = "\"ports\", \"encoders\" and \"push_buttons\" must be lists";
        return false;
    }
    for (const json &port : ports) {
        PortModule module;
        unsigned long type = 0;
        if (!port.is_object() || !port.value("present", json(true)).is_boolean() ||
            !port.value("fault", json(false)).is_boolean() ||
            !read_number(port.value("type", json(0)), kLargestModuleType, type)) {
            error = "port " + std::to_string(setup.ports.size()) +
                    " needs \"present\" and \"fault\" (true or false) and \"type\" (0 to 15)";
            return false;
        }
        module.present = port.value("present", true);
        module.fault = port.value("fault", false);
        module.type = static_cast<uint8_t>(type);
        setup.ports.push_back(module);
    }
    for (const json &pair : encoders) {
        EncoderPair encoder;
        if (!pair.is_object() || !pair.contains("clockwise") ||
            !pair.contains("counter_clockwise") ||
            !read_input(pair["clockwise"], encoder.clockwise) ||
            !read_input(pair["counter_clockwise"], encoder.counter_clockwise)) {
            error = "encoder " + std::to_string(setup.encoders.size()) +
                    " needs \"clockwise\" and \"counter_clockwise\" input numbers";
            return false;
        }
        setup.encoders.push_back(encoder);
    }
    for (const json &button : buttons) {
        unsigned input = 0;
        if (!read_input(button, input)) {
            error = "\"push_buttons\" must list input numbers";
            return false;
        }
        setup.push_buttons.push_back(input);
    }
    std::ranges::sort(setup.push_buttons);
    return check_setup(setup, error);
}

} // namespace

bool check_setup(const BoardSetup &setup, std::string &error) {
    const board_models::BoardKind *kind = board_models::find_board_kind(setup.product);
    if (kind == nullptr) {
        error = "product " + product_text(setup.product) + " is no model a virtual board can be";
        return false;
    }
    if (setup.ports.size() > kind->port_count) {
        error = "has " + std::to_string(setup.ports.size()) + " ports; " + kind->name +
                " answers for " + std::to_string(kind->port_count);
        return false;
    }
    if (std::ranges::any_of(setup.ports,
                            [](const PortModule &m) { return m.type > kLargestModuleType; })) {
        error = "a port's module type is above 15";
        return false;
    }
    std::set<unsigned> used;
    const auto use = [&](unsigned input, const char *what) {
        if (input >= kind->input_count) {
            error = std::string(what) + " input " + std::to_string(input) + " is beyond the " +
                    std::to_string(kind->input_count) + " inputs of " + kind->name;
            return false;
        }
        if (!used.insert(input).second) {
            error = "input " + std::to_string(input) + " is used twice";
            return false;
        }
        return true;
    };
    for (const EncoderPair &pair : setup.encoders) {
        if (!use(pair.clockwise, "encoder") || !use(pair.counter_clockwise, "encoder")) {
            return false;
        }
    }
    for (unsigned input : setup.push_buttons) {
        if (!use(input, "push-button")) {
            return false;
        }
    }
    return true;
}

std::string setup_to_json(const std::vector<BoardSetup> &boards) {
    json list = json::array();
    for (const BoardSetup &setup : boards) {
        json ports = json::array();
        for (const PortModule &module : setup.ports) {
            ports.push_back(
                {{"present", module.present}, {"fault", module.fault}, {"type", module.type}});
        }
        json encoders = json::array();
        for (const EncoderPair &pair : setup.encoders) {
            encoders.push_back(
                {{"clockwise", pair.clockwise}, {"counter_clockwise", pair.counter_clockwise}});
        }
        list.push_back({{"product", product_text(setup.product)},
                        {"ports", ports},
                        {"encoders", encoders},
                        {"push_buttons", setup.push_buttons}});
    }
    return json{{"boards", list}}.dump(2) + "\n";
}

bool setup_from_json(std::string_view text, std::vector<BoardSetup> &boards, std::string &error) {
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded()) {
        error = "the file is not JSON";
        return false;
    }
    if (!document.is_object() || !document.contains("boards") || !document["boards"].is_array()) {
        error = "the file needs a \"boards\" list";
        return false;
    }
    std::vector<BoardSetup> read;
    for (const json &item : document["boards"]) {
        BoardSetup setup;
        std::string reason;
        if (!read_board(item, setup, reason)) {
            error = "board " + std::to_string(read.size()) + ": " + reason;
            return false;
        }
        read.push_back(std::move(setup));
    }
    boards = std::move(read);
    return true;
}

bool save_setup_file(const std::string &path, const std::vector<BoardSetup> &boards,
                     std::string &error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << setup_to_json(boards);
    file.close();
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool open_setup_file(const std::string &path, std::vector<BoardSetup> &boards, std::string &error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!setup_from_json(text.str(), boards, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace panelink::virtualboard
