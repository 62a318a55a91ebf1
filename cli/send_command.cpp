#include "send_command.h"

#include "arguments.h"
#include "boards.h"
#include "exit_status.h"
#include "send_subcommands.h"

namespace panelink::cli {

CLI::App *add_send_command(CLI::App &app, SendOptions &options) {
    CLI::App *send = app.add_subcommand(
        "send", "Send one output command to a board. Numbers are decimal or 0x hexadecimal, "
                "bytes hexadecimal; texts are taken byte for byte.");
    send->add_option("--board", options.board,
                     "Index of the board, as 'panelink list' shows (with the same --mode)")
        ->type_name("N")
        ->transform(number_range(0, PANELINK_MAX_DEVICES - 1))
        ->required();
    add_mode_option(*send, options.mode);
    send->require_subcommand(1);
    add_output_subcommands(*send, options);
    for (auto &[command, prepare] : options.commands)
        command->fallthrough();
    return send;
}

int run_send(const SendOptions &options, std::ostream &out, std::ostream &err) {
    OutputCommand command;
    try {
        for (const auto &[app, prepare] : options.commands) {
            if (app->parsed())
                command = prepare();
        }
    } catch (const UsageError &e) {
        err << "panelink send: " << e.what() << "\n";
        return kExitUsage;
    }
    Boards boards(options.mode);
    DeviceRecord *record = pick_board(boards, options.board, err);
    if (!record)
        return kExitNoBoard;
    if (record->OutputReportByteLength == 0) {
        err << "panelink: " << describe(*record) << " takes no output reports\n";
        return kExitBoardFailed;
    }
    int32_t written = 0;
    try {
        written = command.send(*record);
    } catch (const UsageError &e) {
        err << "panelink send: " << e.what() << "\n";
        return kExitUsage;
    }
    if (written <= 0) {
        err << "panelink: " << describe(*record) << ": the board did not take the " << command.what
            << " report (the write failed or timed out)\n";
        return kExitBoardFailed;
    }
    out << "sent " << command.what << " to " << describe(*record) << " (" << written << " bytes)"
        << std::endl;
    return kExitDone;
}

} // namespace panelink::cli
