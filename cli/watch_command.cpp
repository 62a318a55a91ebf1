#include "watch_command.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "arguments.h"
#include "board_event.h"
#include "boards.h"
#include "exit_status.h"
#include "input_changes.h"
#include "json_output.h"
#include "record_text.h"
#include "stop_signal.h"

namespace panelink::cli {
namespace {

using Clock = std::chrono::steady_clock;

// As inputscope: a poll every 10 ms, the period looked at once a second.
constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr int64_t kPeriodCheckMs = 1000;
// The longest wait on the monitor while the board is away: a stop is noticed within it.
constexpr uint32_t kWaitSliceMs = 100;
// How long a failed read waits for the board's departure before it counts as a failure of a
// board still there. The system's notice of a departure can come a little after the reads fail.
constexpr int kDepartureSlices = 20;

std::string seconds_text(int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%8.3f s", static_cast<double>(ms) / 1000.0);
    return text;
}

class Printer {
  public:
    Printer(std::ostream &out, bool json, int board) : out_(out), json_(json), board_(board) {}

    void change(const InputChange &change, int64_t ms) {
        if (json_) {
            write_json_line(out_, {{"board", board_},
                                   {"input", change.input},
                                   {"state", change.on ? 1 : 0},
                                   {"ms", ms}});
        } else {
            out_ << seconds_text(ms) << "  input " << change.input << (change.on ? " on" : " off")
                 << std::endl;
        }
    }

    void period(int64_t period_ms, int64_t ms) {
        if (json_)
            write_json_line(out_, {{"board", board_}, {"period_ms", period_ms}, {"ms", ms}});
        else
            out_ << seconds_text(ms) << "  report period " << period_ms << " ms" << std::endl;
    }

    // The board left (`back` false) or came back; `name` as describe() gives it.
    void replug(const std::string &name, bool back, int64_t ms) {
        if (json_)
            write_json_line(out_,
                            {{"board", board_}, {"event", back ? "arrived" : "left"}, {"ms", ms}});
        else if (back)
            out_ << seconds_text(ms) << "  " << name << " is back" << std::endl;
        else
            out_ << seconds_text(ms) << "  " << name
                 << " unplugged; waiting for it to come back (Ctrl-C ends)" << std::endl;
    }

    void set_board(int board) { board_ = board; }

  private:
    std::ostream &out_;
    bool json_;
    int board_;
};

// Follows the watched interface through a board monitor: its departure, and its return with the
// same path and serial. Without a monitor (--exit-on-unplug, or notifications the system cannot
// give) it follows nothing.
class Replugs {
  public:
    explicit Replugs(bool follow) : monitor_(follow ? panelink_monitor_open(0) : 0) {}
    ~Replugs() {
        if (monitor_ != 0)
            panelink_monitor_close(monitor_);
    }
    Replugs(const Replugs &) = delete;
    Replugs &operator=(const Replugs &) = delete;

    bool following() const { return monitor_ != 0; }

    // Takes the events queued, waiting up to `wait_ms` for the first; true when the interface at
    // `path` left among them. The departure's serial is the one its return must have.
    bool left(const std::string &path, uint32_t wait_ms) {
        PanelinkBoardEvent event{};
        while (panelink_monitor_next(monitor_, &event, wait_ms) == PANELINK_MONITOR_EVENT) {
            wait_ms = 0;
            if (event.event == PANELINK_BOARD_LEFT && event_path(event) == path) {
                path_ = path;
                serial_ = event_serial(event);
                return true;
            }
        }
        return false;
    }

    // Waits up to `wait_ms` for the interface that left to arrive again; true when it did.
    bool returned(uint32_t wait_ms) {
        PanelinkBoardEvent event{};
        while (panelink_monitor_next(monitor_, &event, wait_ms) == PANELINK_MONITOR_EVENT) {
            wait_ms = 0;
            if (event.event == PANELINK_BOARD_ARRIVED && event_path(event) == path_ &&
                event_serial(event) == serial_)
                return true;
        }
        return false;
    }

  private:
    uint32_t monitor_;
    std::string path_, serial_;
};

// The record of a detection whose interface path is `path`, or null.
DeviceRecord *find_path(Boards &boards, const std::string &path) {
    for (DeviceRecord &record : boards.records())
        if (record_texts(record).path == path)
            return &record;
    return nullptr;
}

} // namespace

CLI::App *add_watch_command(CLI::App &app, WatchOptions &options) {
    CLI::App *watch = app.add_subcommand(
        "watch",
        "Poll a board and print each input change as it happens: input number (from 1), on or "
        "off, time since the start. Inputs count as off before the first report, so inputs "
        "already on are printed first. Also prints the period between the board's reports "
        "(the time between its two latest reports, looked at once a second) whenever it "
        "changes. When the board is unplugged it says so, waits for the same board (the same "
        "interface path and serial) to come back, opens it again and goes on; "
        "--exit-on-unplug ends instead. Ctrl-C (SIGINT) or SIGTERM ends it.");
    watch
        ->add_option("--board", options.board,
                     "Index of the board, as 'panelink list' shows (with the same --mode)")
        ->type_name("N")
        ->transform(number_range(0, PANELINK_MAX_DEVICES - 1))
        ->capture_default_str();
    add_mode_option(*watch, options.mode);
    watch
        ->add_option("--seconds", options.seconds,
                     "Stop after this many seconds (default: run "
                     "until Ctrl-C)")
        ->type_name("SECONDS")
        ->check(CLI::Validator(CLI::PositiveNumber).description(""));
    watch->add_flag("--exit-on-unplug", options.exit_on_unplug,
                    "End when the board can no longer be read, unplugged or not (status 1)");
    watch->add_flag("--json", options.json,
                    "One JSON object per line: {\"board\":0,\"input\":5,\"state\":1,\"ms\":1234} "
                    "for a change, {\"board\":0,\"period_ms\":20,\"ms\":1000} for the period, "
                    "{\"board\":0,\"event\":\"left\",\"ms\":3000} when the board is unplugged and "
                    "{\"board\":0,\"event\":\"arrived\",\"ms\":5000} when it is back");
    return watch;
}

int run_watch(const WatchOptions &options, std::ostream &out, std::ostream &err) {
    // The monitor opens before the detection, so that no departure after it goes unseen.
    Replugs replugs(!options.exit_on_unplug);
    auto boards = std::make_unique<Boards>(options.mode);
    DeviceRecord *record = pick_board(*boards, options.board, err);
    if (!record)
        return kExitNoBoard;
    const int inputs = std::clamp<int>(record->InputCount, 0, PANELINK_INPUT_STATES_SIZE);
    if (inputs == 0) {
        err << "panelink: " << describe(*record) << " has no inputs to watch\n";
        return kExitBoardFailed;
    }
    catch_stop_signals();
    const std::string path = record_texts(*record).path;
    std::string name = describe(*record);
    Printer printer(out, options.json, record->DeviceIndex);
    if (!options.json)
        out << "watching " << name << ", inputs 1 to " << inputs << " (Ctrl-C ends)" << std::endl;

    InputChanges changes(inputs);
    ReportPeriod period;
    std::optional<int64_t> period_shown;
    int64_t next_period_check = kPeriodCheckMs;
    std::array<uint8_t, PANELINK_INPUT_STATES_SIZE> states{};
    const Clock::time_point start = Clock::now();
    const auto limit_ms = static_cast<int64_t>(options.seconds * 1000.0);
    const auto elapsed_ms = [&start] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    // False once the run is to end: a stop signal, the time limit, or a reader gone.
    const auto go_on = [&] {
        return !stop_requested() && out && (limit_ms <= 0 || elapsed_ms() < limit_ms);
    };
    while (go_on()) {
        const auto elapsed = Clock::now() - start;
        const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
        bool gone = replugs.following() && replugs.left(path, 0);
        if (!gone) {
            states.fill(0); // positions a report does not reach read as off
            const int32_t result = ReadInputData(record, states.data(), 0);
            if (result == PANELINK_READ_FAILED) {
                for (int n = 0; n < kDepartureSlices && replugs.following() && !gone && go_on();
                     ++n)
                    gone = replugs.left(path, kWaitSliceMs);
                if (!gone && !go_on())
                    break;
                if (!gone) {
                    err << "panelink: " << name
                        << ": reading its inputs failed (the board is gone, or its reports "
                           "cannot be read)"
                        << (options.exit_on_unplug || replugs.following()
                                ? ""
                                : "; the system's device notifications cannot be followed to "
                                  "wait for its return")
                        << "\n";
                    return kExitBoardFailed;
                }
            } else if (result == PANELINK_READ_DECODED) {
                period.note_report(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
                for (const InputChange &change : changes.update(states))
                    printer.change(change, ms);
            }
        }
        if (gone) {
            boards.reset(); // closes the departed board's handle
            record = nullptr;
            printer.replug(name, false, elapsed_ms());
            while (!record && go_on()) {
                if (!replugs.returned(kWaitSliceMs))
                    continue;
                boards = std::make_unique<Boards>(options.mode);
                record = find_path(*boards, path);
                if (!record) {
                    err << "panelink: " << name
                        << " came back, but the detection does not find it; still waiting\n";
                    boards.reset();
                }
            }
            if (!record)
                break;
            name = describe(*record);
            printer.set_board(record->DeviceIndex);
            printer.replug(name, true, elapsed_ms());
            period = ReportPeriod{}; // the time away is no report period
            continue;
        }
        if (ms >= next_period_check) {
            next_period_check = ms + kPeriodCheckMs;
            const auto now_period = period.period_ms();
            if (now_period && now_period != period_shown)
                printer.period(*now_period, ms);
            period_shown = now_period;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return kExitDone;
}

} // namespace panelink::cli
