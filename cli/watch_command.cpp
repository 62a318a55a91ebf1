#include "watch_command.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <thread>

#include "arguments.h"
#include "boards.h"
#include "exit_status.h"
#include "input_changes.h"
#include "json_output.h"
#include "stop_signal.h"

namespace panelink::cli {
namespace {

using Clock = std::chrono::steady_clock;

// As inputscope: a poll every 10 ms, the period looked at once a second.
constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr int64_t kPeriodCheckMs = 1000;

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

  private:
    std::ostream &out_;
    bool json_;
    int board_;
};

} // namespace

CLI::App *add_watch_command(CLI::App &app, WatchOptions &options) {
    CLI::App *watch = app.add_subcommand(
        "watch",
        "Poll a board and print each input change as it happens: input number (from 1), on or "
        "off, time since the start. Inputs count as off before the first report, so inputs "
        "already on are printed first. Also prints the period between the board's reports "
        "(the time between its two latest reports, looked at once a second) whenever it "
        "changes. Ctrl-C (SIGINT) or SIGTERM ends it.");
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
    watch->add_flag("--json", options.json,
                    "One JSON object per line: {\"board\":0,\"input\":5,\"state\":1,\"ms\":1234} "
                    "for a change, {\"board\":0,\"period_ms\":20,\"ms\":1000} for the period");
    return watch;
}

int run_watch(const WatchOptions &options, std::ostream &out, std::ostream &err) {
    Boards boards(options.mode);
    DeviceRecord *record = pick_board(boards, options.board, err);
    if (!record)
        return kExitNoBoard;
    const int inputs = std::clamp<int>(record->InputCount, 0, PANELINK_INPUT_STATES_SIZE);
    if (inputs == 0) {
        err << "panelink: " << describe(*record) << " has no inputs to watch\n";
        return kExitBoardFailed;
    }
    catch_stop_signals();
    Printer printer(out, options.json, record->DeviceIndex);
    if (!options.json)
        out << "watching " << describe(*record) << ", inputs 1 to " << inputs << " (Ctrl-C ends)"
            << std::endl;

    InputChanges changes(inputs);
    ReportPeriod period;
    std::optional<int64_t> period_shown;
    int64_t next_period_check = kPeriodCheckMs;
    std::array<uint8_t, PANELINK_INPUT_STATES_SIZE> states{};
    const Clock::time_point start = Clock::now();
    const auto limit_ms = static_cast<int64_t>(options.seconds * 1000.0);
    while (!stop_requested() && out) { // a failed write: the reader has gone
        const auto elapsed = Clock::now() - start;
        const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
        if (limit_ms > 0 && ms >= limit_ms)
            break;
        states.fill(0); // positions a report does not reach read as off
        const int32_t result = ReadInputData(record, states.data(), 0);
        if (result == PANELINK_READ_FAILED) {
            err << "panelink: " << describe(*record)
                << ": reading its inputs failed (the board is gone, or its reports cannot be "
                   "read)\n";
            return kExitBoardFailed;
        }
        if (result == PANELINK_READ_DECODED) {
            period.note_report(
                std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
            for (const InputChange &change : changes.update(states))
                printer.change(change, ms);
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
    boards.close();
    return kExitDone;
}

} // namespace panelink::cli
