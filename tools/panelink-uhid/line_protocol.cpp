#include "line_protocol.h"

#include "hex.h"

namespace panelink::uhid_tool {

using namespace board_models;
namespace {

constexpr unsigned long kMaxInput = 4096 * 8 - 1; // bits of the largest input report

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        out.push_back(line.substr(start, i - start));
    }
    return out;
}

void strip_line_end(std::string &line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
}

} // namespace

bool parse_command(std::string_view line, size_t board_count, InputCommand &command,
                   std::string &error) {
    command = InputCommand{};
    const std::vector<std::string_view> w = words(line);
    if (w.empty() || w[0].front() == '#') {
        return true; // nothing to do
    }
    if (w.size() == 1 && w[0] == "quit") {
        command.kind = InputCommand::Kind::Quit;
        return true;
    }
    const auto board = parse_number(w[0], board_count == 0 ? 0 : board_count - 1);
    if (!board || board_count == 0) {
        error = "no board " + std::string(w[0]) + " (boards are numbered 0 to " +
                std::to_string(board_count == 0 ? 0 : board_count - 1) + ")";
        return false;
    }
    command.board = *board;
    if (w.size() < 2) {
        error = "nothing to do for board " + std::string(w[0]);
        return false;
    }
    if (w[1] == "set") {
        const auto input = w.size() == 4 ? parse_number(w[2], kMaxInput) : std::nullopt;
        if (!input || (w[3] != "0" && w[3] != "1")) {
            error = "use: BOARD set INPUT 0|1";
            return false;
        }
        command.kind = InputCommand::Kind::SetInput;
        command.input = static_cast<unsigned>(*input);
        command.on = w[3] == "1";
        return true;
    }
    if (w[1] == "unplug" || w[1] == "plug") {
        if (w.size() != 2) {
            error = "use: BOARD " + std::string(w[1]);
            return false;
        }
        command.kind = w[1] == "plug" ? InputCommand::Kind::Plug : InputCommand::Kind::Unplug;
        return true;
    }
    const size_t bytes_start = w[1].data() - line.data();
    const auto bytes = parse_hex_bytes(line.substr(bytes_start));
    if (!bytes || bytes->empty() || bytes->size() > 4096) {
        error = "an input report is 1 to 4096 bytes written in hexadecimal";
        return false;
    }
    command.kind = InputCommand::Kind::Report;
    command.bytes = *bytes;
    return true;
}

bool LineSplitter::next_line(std::string &line) {
    const size_t end = pending_.find('\n');
    if (end == std::string::npos) {
        return false;
    }
    line.assign(pending_, 0, end);
    pending_.erase(0, end + 1);
    strip_line_end(line);
    return true;
}

bool LineSplitter::rest(std::string &line) {
    if (pending_.empty()) {
        return false;
    }
    line.swap(pending_);
    pending_.clear();
    strip_line_end(line);
    return true;
}

} // namespace panelink::uhid_tool
