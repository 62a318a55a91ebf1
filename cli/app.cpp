#include "app.h"

#include <cstdlib>
#include <string>

#include <CLI/CLI.hpp>

#include <panelink/panelink.h>

#include "exit_status.h"
#include "list_command.h"
#include "monitor_command.h"
#include "send_command.h"
#include "status_command.h"
#include "watch_command.h"

#ifndef PANELINK_CLI_VERSION
#define PANELINK_CLI_VERSION "unknown"
#endif

namespace panelink::cli {
namespace {

constexpr const char *kDescription =
    "panelink: list the family's USB interface boards, watch their inputs, follow their "
    "arrivals and departures, ask for their status and send them output commands. "
    "PANELINK_SIMULATE=demo works on virtual demo "
    "boards; detection writes its log into the current folder, or into PANELINK_LOG_DIR. Exit "
    "status: 0 done, 1 a board operation failed, 2 usage error, 3 no board or no such board.";

std::string version_text() {
    return std::string("panelink ") + PANELINK_CLI_VERSION + "\nlibrary " + panelink_version();
}

} // namespace

int run(int argc, char **argv, std::ostream &out, std::ostream &err) {
    CLI::App app{kDescription, "panelink"};
    app.set_version_flag("--version", version_text(), "Show the tool's and the library's version");
    app.set_help_all_flag("--help-all", "Show the help of every subcommand");
    app.require_subcommand(1);
    std::string log_dir;
    app.add_option("--log-dir", log_dir,
                   "Folder for the detection log (sets PANELINK_LOG_DIR; without either, the log "
                   "goes into the current folder)")
        ->type_name("DIR")
        ->check(CLI::Validator(CLI::ExistingDirectory).description(""));

    ListOptions list_options;
    WatchOptions watch_options;
    MonitorOptions monitor_options;
    StatusOptions status_options;
    SendOptions send_options;
    CLI::App *list = add_list_command(app, list_options);
    CLI::App *watch = add_watch_command(app, watch_options);
    CLI::App *monitor = add_monitor_command(app, monitor_options);
    CLI::App *status = add_status_command(app, status_options);
    add_send_command(app, send_options);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success &e) {
        return app.exit(e, out, err); // --help, --help-all, --version
    } catch (const CLI::ParseError &e) {
        app.exit(e, out, err);
        return kExitUsage;
    }
    if (!log_dir.empty())
        ::setenv("PANELINK_LOG_DIR", log_dir.c_str(), 1);
    if (list->parsed())
        return run_list(list_options, out, err);
    if (watch->parsed())
        return run_watch(watch_options, out, err);
    if (monitor->parsed())
        return run_monitor(monitor_options, out, err);
    if (status->parsed())
        return run_status(status_options, out, err);
    return run_send(send_options, out, err);
}

} // namespace panelink::cli
