#include "monitor_command.h"

#include <algorithm>
#include <chrono>

#include <panelink/panelink.h>

#include "board_event.h"
#include "exit_status.h"
#include "json_output.h"
#include "stop_signal.h"

namespace panelink::cli {
namespace {

// The longest wait on the monitor: a stop signal or the end of --seconds is noticed within it.
constexpr uint32_t kWaitSliceMs = 100;

} // namespace

CLI::App *add_monitor_command(CLI::App &app, MonitorOptions &options) {
    CLI::App *monitor = app.add_subcommand(
        "monitor",
        "Print each board interface that arrives or leaves, as it happens: arrived or left, "
        "vendor:product ID, version, interface path, serial, and whether it is a "
        "configuration interface. Only live events by default; --snapshot prints the boards "
        "present first. Ctrl-C (SIGINT) or SIGTERM ends it.");
    monitor->add_flag("--snapshot", options.snapshot,
                      "First an arrival for each board present now, then the live events");
    monitor
        ->add_option("--seconds", options.seconds,
                     "Stop after this many seconds (default: run until Ctrl-C)")
        ->type_name("SECONDS")
        ->check(CLI::Validator(CLI::PositiveNumber).description(""));
    monitor->add_flag("--json", options.json,
                      "One JSON object per line: {\"event\":\"arrived\",\"vendor_id\":4826,"
                      "\"product_id\":1792,\"version\":258,\"path\":\"...\",\"serial\":\"S01\","
                      "\"config_interface\":0}; \"event\" is \"arrived\" or \"left\"");
    return monitor;
}

int run_monitor(const MonitorOptions &options, std::ostream &out, std::ostream &err) {
    const uint32_t monitor =
        panelink_monitor_open(options.snapshot ? PANELINK_MONITOR_SNAPSHOT : 0);
    if (monitor == 0) {
        err << "panelink: the system's device notifications cannot be followed\n";
        return kExitBoardFailed;
    }
    catch_stop_signals();
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end =
        Clock::now() +
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.seconds));
    int status = kExitDone;
    while (!stop_requested() && out) { // a failed write: the reader has gone
        uint32_t wait_ms = kWaitSliceMs;
        if (options.seconds > 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0)
                break;
            wait_ms = static_cast<uint32_t>(std::min<int64_t>(left, kWaitSliceMs));
        }
        PanelinkBoardEvent event{};
        const int32_t result = panelink_monitor_next(monitor, &event, wait_ms);
        if (result == PANELINK_MONITOR_TIMEOUT)
            continue;
        if (result != PANELINK_MONITOR_EVENT) {
            err << "panelink: the board monitor ended (" << result << ")\n";
            status = kExitBoardFailed;
            break;
        }
        if (options.json)
            write_json_line(out, event_json(event));
        else
            out << event_line(event) << std::endl;
    }
    panelink_monitor_close(monitor);
    return status;
}

} // namespace panelink::cli
