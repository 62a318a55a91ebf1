#include "board_server.h"

#include <cerrno>
#include <cstring>

#include <linux/uhid.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "hex.h"
#include "output_decoder.h"

namespace panelink::uhid_tool {

using namespace board_models;
namespace {

using Clock = std::chrono::steady_clock;

// Answer of a feature request the boards do not have: the kernel hands EIO to the caller.
constexpr uint16_t kNoSuchReport = EIO;

const char *report_type_name(uint8_t type) {
    switch (type) {
    case UHID_FEATURE_REPORT:
        return "feature";
    case UHID_OUTPUT_REPORT:
        return "output";
    case UHID_INPUT_REPORT:
        return "input";
    default:
        return "unknown";
    }
}

} // namespace

BoardServer::BoardServer(std::vector<Board> boards, ServerOptions options, std::ostream &log)
    : options_(std::move(options)), log_(log) {
    for (Board &board : boards) {
        Served served;
        served.held.assign(board.input_report_length, 0);
        if (!served.held.empty()) {
            served.held[0] = board.input_report_id;
        }
        served.board = std::move(board);
        boards_.push_back(std::move(served));
    }
}

std::string BoardServer::prefix(size_t index) const {
    return "board " + std::to_string(index) + ": ";
}

bool BoardServer::plug(size_t index, std::string &error) {
    Served &served = boards_[index];
    uhid::Identity identity = served.board.identity;
    identity.phys = uhid::phys_for_interface(served.board.interface_number);
    served.device = uhid::VirtualHidDevice::create(identity, error);
    if (!served.device) {
        return false;
    }
    served.step = 0;
    return true;
}

void BoardServer::unplug(size_t index) {
    Served &served = boards_[index];
    if (served.device && !served.device->destroy()) {
        log_ << prefix(index) << served.device->last_error() << std::endl;
    }
    served.device.reset();
}

bool BoardServer::plug_all(std::string &error) {
    for (size_t i = 0; i < boards_.size(); ++i) {
        if (!plug(i, error)) {
            return false;
        }
    }
    // The kernel adds each device in the background; list them once their nodes are there.
    for (size_t i = 0; i < boards_.size(); ++i) {
        const Served &served = boards_[i];
        const std::string node = served.device->hidraw_node();
        log_ << prefix(i) << served.board.label() << " \"" << served.board.identity.name
             << "\" serial \"" << served.board.identity.uniq << "\" "
             << (node.empty() ? "(no hidraw node appeared)" : node) << std::endl;
    }
    return true;
}

void BoardServer::unplug_all() {
    for (size_t i = 0; i < boards_.size(); ++i) {
        unplug(i);
    }
}

void BoardServer::log_report(size_t index, const char *what, const std::vector<uint8_t> &data) {
    log_ << prefix(index) << what << " (" << data.size()
         << " bytes): " << to_hex(data.data(), data.size()) << "\n";
    if (const auto decoded = describe_output(data.data(), data.size())) {
        log_ << "    " << *decoded << "\n";
    }
    log_.flush();
}

void BoardServer::send_report(size_t index, const std::vector<uint8_t> &report_with_id) {
    Served &served = boards_[index];
    if (!served.device) {
        return;
    }
    const std::vector<uint8_t> wire =
        served.board.wire_report(report_with_id.data(), report_with_id.size());
    if (!wire.empty() && !served.device->send_input(wire.data(), wire.size())) {
        log_ << prefix(index) << served.device->last_error() << std::endl;
    }
}

void BoardServer::answer_status(size_t index, const std::vector<uint8_t> &query) {
    const Board &board = boards_[index].board;
    if (!options_.answer_status) {
        return;
    }
    const auto reply = status_reply(board.identity.product, query.data(), query.size(),
                                    options_.status, board.input_report_length);
    if (reply) {
        log_ << prefix(index) << "status reply " << to_hex(reply->data(), reply->size())
             << std::endl;
        send_report(index, *reply);
    }
}

void BoardServer::handle_event(size_t index, const uhid::Event &event) {
    uhid::VirtualHidDevice &device = *boards_[index].device;
    switch (event.type) {
    case uhid::EventType::Start:
        log_ << prefix(index) << "started by the kernel" << std::endl;
        break;
    case uhid::EventType::Stop:
        log_ << prefix(index) << "stopped by the kernel" << std::endl;
        break;
    case uhid::EventType::Open:
        log_ << prefix(index) << "opened by a program" << std::endl;
        break;
    case uhid::EventType::Close:
        log_ << prefix(index) << "closed by the last program" << std::endl;
        break;
    case uhid::EventType::Output:
        log_report(index, "output report", event.data);
        answer_status(index, event.data);
        break;
    case uhid::EventType::SetReport:
        log_report(index,
                   (std::string("set ") + report_type_name(event.report_type) + " report " +
                    std::to_string(event.report_number))
                       .c_str(),
                   event.data);
        if (!device.reply_set_report(event.id, 0)) {
            log_ << prefix(index) << device.last_error() << std::endl;
        }
        if (event.report_type == UHID_OUTPUT_REPORT) {
            answer_status(index, event.data);
        }
        break;
    case uhid::EventType::GetReport:
        log_ << prefix(index) << "get " << report_type_name(event.report_type) << " report "
             << int{event.report_number} << ": answered as not there" << std::endl;
        if (!device.reply_get_report(event.id, kNoSuchReport, nullptr, 0)) {
            log_ << prefix(index) << device.last_error() << std::endl;
        }
        break;
    case uhid::EventType::Other:
        break;
    }
}

bool BoardServer::handle_events(size_t index) {
    uhid::Event event;
    while (boards_[index].device && boards_[index].device->next_event(event, 0)) {
        handle_event(index, event);
    }
    if (boards_[index].device && !boards_[index].device->last_error().empty()) {
        log_ << prefix(index) << boards_[index].device->last_error() << std::endl;
        return false;
    }
    return true;
}

void BoardServer::move_inputs() {
    for (size_t i = 0; i < boards_.size(); ++i) {
        Served &served = boards_[i];
        if (!served.device || served.board.motion == nullptr || served.board.motion_length == 0) {
            continue;
        }
        std::vector<uint8_t> report(served.board.motion_length, 0);
        served.board.motion(served.step++, report.data(), report.size());
        report[0] = served.board.input_report_id;
        send_report(i, report);
    }
}

void BoardServer::warn_if_short(size_t index, size_t length) {
    // A board with one unnumbered input report sends it whole; newer kernels drop shorter
    // reports ("Event data for report 0 was too short") instead of padding them.
    const Board &board = boards_[index].board;
    const size_t whole = board.input_report_length - 1;
    if (!board.numbered_reports && length < whole) {
        log_ << prefix(index) << "note: " << length << " bytes is shorter than the board's "
             << whole << "-byte input report; the kernel may drop it" << std::endl;
    }
}

void BoardServer::run_command(const std::string &line) {
    InputCommand command;
    std::string error;
    if (!parse_command(line, boards_.size(), command, error)) {
        log_ << "input: " << error << std::endl;
        return;
    }
    Served *served =
        command.kind == InputCommand::Kind::None || command.kind == InputCommand::Kind::Quit
            ? nullptr
            : &boards_[command.board];
    switch (command.kind) {
    case InputCommand::Kind::None:
        break;
    case InputCommand::Kind::Quit:
        quit_ = true;
        break;
    case InputCommand::Kind::Report:
        warn_if_short(command.board, command.bytes.size());
        if (served->device &&
            !served->device->send_input(command.bytes.data(), command.bytes.size())) {
            log_ << prefix(command.board) << served->device->last_error() << std::endl;
        }
        break;
    case InputCommand::Kind::SetInput: {
        const size_t byte = 1 + command.input / 8;
        if (byte >= served->held.size()) {
            log_ << prefix(command.board) << "has no input " << command.input << std::endl;
            break;
        }
        const auto bit = static_cast<uint8_t>(1u << (command.input % 8));
        served->held[byte] = command.on ? served->held[byte] | bit : served->held[byte] & ~bit;
        send_report(command.board, served->held);
        break;
    }
    case InputCommand::Kind::Unplug:
        unplug(command.board);
        log_ << prefix(command.board) << "unplugged" << std::endl;
        break;
    case InputCommand::Kind::Plug:
        if (served->device) {
            log_ << prefix(command.board) << "is plugged in already" << std::endl;
        } else if (!plug(command.board, error)) {
            log_ << prefix(command.board) << error << std::endl;
        } else {
            const std::string node = served->device->hidraw_node();
            log_ << prefix(command.board) << "plugged in "
                 << (node.empty() ? "(no hidraw node appeared)" : node) << std::endl;
        }
        break;
    }
}

bool BoardServer::read_standard_input() {
    char buffer[4096];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
        return true;
    }
    std::string line;
    if (got <= 0) {
        if (lines_.rest(line)) {
            run_command(line);
        }
        return false;
    }
    lines_.feed(buffer, static_cast<size_t>(got));
    while (!quit_ && lines_.next_line(line)) {
        run_command(line);
    }
    return true;
}

bool BoardServer::run(int signal_fd) {
    bool reading_input = options_.inputs == InputSource::StandardInput;
    const bool moving = options_.inputs == InputSource::Motion;
    Clock::time_point next_motion = Clock::now() + options_.motion_period;

    while (!quit_) {
        // Slot 0: signals; slot 1: standard input (fd -1 when not read); then the boards.
        std::vector<pollfd> fds;
        fds.push_back({signal_fd, POLLIN, 0});
        fds.push_back({reading_input ? STDIN_FILENO : -1, POLLIN, 0});
        for (const Served &served : boards_) {
            fds.push_back({served.device ? served.device->fd() : -1, POLLIN, 0});
        }
        int timeout_ms = -1;
        if (moving) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(next_motion - Clock::now());
            timeout_ms = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        if (::poll(fds.data(), fds.size(), timeout_ms) < 0) {
            if (errno == EINTR) {
                continue;
            }
            log_ << "cannot wait for events: " << std::strerror(errno) << std::endl;
            return false;
        }
        if (fds[0].revents != 0) {
            signalfd_siginfo info{};
            if (::read(signal_fd, &info, sizeof info) == sizeof info) {
                log_ << "stopping on " << strsignal(static_cast<int>(info.ssi_signo)) << std::endl;
            }
            return true;
        }
        if (fds[1].revents != 0 && !read_standard_input()) {
            reading_input = false;
            log_ << "standard input ended; serving until stopped" << std::endl;
        }
        for (size_t i = 0; i < boards_.size(); ++i) {
            if (fds[2 + i].revents != 0 && !handle_events(i)) {
                return false;
            }
        }
        if (moving && Clock::now() >= next_motion) {
            move_inputs();
            next_motion += options_.motion_period;
            if (next_motion < Clock::now()) {
                next_motion = Clock::now() + options_.motion_period; // fell behind: no burst
            }
        }
    }
    return true;
}

} // namespace panelink::uhid_tool
