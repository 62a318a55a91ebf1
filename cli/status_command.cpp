#include "status_command.h"

#include <memory>

#include "arguments.h"
#include "boards.h"
#include "exit_status.h"
#include "json_output.h"
#include "record_text.h"

namespace panelink::cli {
namespace {

void print_status(const DeviceRecord &record, const StatusSummary &summary, std::ostream &out) {
    out << describe(record) << "\n";
    out << "  " << summary.note << "\n";
    for (const PortState &port : summary.ports)
        out << "  port " << port.port << " (pair " << port.port / 2 << "): " << port.words << "\n";
    for (const PairInputs &pair : summary.pairs) {
        int on = 0;
        std::string flags;
        for (uint8_t flag : pair.flags) {
            on += flag != 0 ? 1 : 0;
            flags += flag != 0 ? '1' : '0';
        }
        out << "  pair " << pair.pair << " input flags: " << on << " of " << pair.flags.size()
            << " set (" << flags << ")\n";
    }
    out << std::flush;
}

} // namespace

CLI::App *add_status_command(CLI::App &app, StatusOptions &options) {
    CLI::App *status = app.add_subcommand(
        "status", "Ask a board for its status: its module ports (present, faulty, module type) "
                  "and input flags. Boards 0x0800 and 0x0910 (on its configuration interface, "
                  "--mode devices) answer; others report no ports. Takes up to about 2 s per "
                  "pair of ports when a board does not answer.");
    status
        ->add_option("--board", options.board,
                     "Index of the board, as 'panelink list' shows (with the same --mode)")
        ->type_name("N")
        ->transform(number_range(0, PANELINK_MAX_DEVICES - 1))
        ->required();
    add_mode_option(*status, options.mode);
    status->add_flag("--json", options.json,
                     "One JSON object: board, vendor_id, product_id, product, queried, answered, "
                     "note, ports [{port, pair, present, fault, type, active, state}], pairs "
                     "[{pair, input_flags}]");
    return status;
}

nlohmann::ordered_json status_json(const DeviceRecord &record, const StatusSummary &summary) {
    nlohmann::ordered_json ports = nlohmann::ordered_json::array();
    for (const PortState &port : summary.ports) {
        ports.push_back({{"port", port.port},
                         {"pair", port.port / 2},
                         {"present", port.present},
                         {"fault", port.fault},
                         {"type", port.type},
                         {"active", port.active},
                         {"state", port.words}});
    }
    nlohmann::ordered_json pairs = nlohmann::ordered_json::array();
    for (const PairInputs &pair : summary.pairs)
        pairs.push_back({{"pair", pair.pair}, {"input_flags", pair.flags}});
    nlohmann::ordered_json answered = nullptr;
    if (summary.answered)
        answered = *summary.answered;
    return {{"board", record.DeviceIndex},
            {"vendor_id", record.VendorID},
            {"product_id", record.ProductID},
            {"product", locale_to_utf8(record_texts(record).product)},
            {"queried", summary.queried},
            {"answered", answered},
            {"note", summary.note},
            {"ports", ports},
            {"pairs", pairs}};
}

int run_status(const StatusOptions &options, std::ostream &out, std::ostream &err) {
    Boards boards(options.mode);
    DeviceRecord *record = pick_board(boards, options.board, err);
    if (!record)
        return kExitNoBoard;
    // Zeroed first: the library leaves bytes outside the blocks a board uses as they were.
    auto status = std::make_unique<StatusRecord>();
    RetrieveStatus(record, status.get());
    const StatusSummary summary = summarize_status(*record, *status);
    if (options.json)
        write_json_line(out, status_json(*record, summary));
    else
        print_status(*record, summary, out);
    if (summary.answered == false) {
        err << "panelink: " << describe(*record) << ": no answer to the status query\n";
        return kExitBoardFailed;
    }
    return kExitDone;
}

} // namespace panelink::cli
