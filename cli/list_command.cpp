#include "list_command.h"

#include <cstdio>

#include "arguments.h"
#include "boards.h"
#include "exit_status.h"
#include "json_output.h"
#include "record_text.h"

namespace panelink::cli {
namespace {

void print_line(const DeviceRecord &record, std::ostream &out) {
    const RecordTexts texts = record_texts(record);
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", record.VendorID, record.ProductID);
    out << record.DeviceIndex << "  " << ids << "  " << escape_controls(texts.product)
        << "  serial " << escape_controls(texts.serial) << "  " << record.InputCount << " inputs  "
        << escape_controls(texts.path) << "\n";
}

} // namespace

CLI::App *add_list_command(CLI::App &app, ListOptions &options) {
    CLI::App *list = app.add_subcommand(
        "list", "List the boards detection finds: index, vendor:product ID, product, serial, "
                "number of inputs, interface path");
    add_mode_option(*list, options.mode);
    list->add_flag("--json", options.json,
                   "A JSON array of objects: index, vendor_id, product_id, version, "
                   "manufacturer, product, serial, path, inputs, input_report_length, "
                   "output_report_length, usage_page, usage");
    return list;
}

nlohmann::ordered_json records_json(std::span<const DeviceRecord> records) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const DeviceRecord &record : records) {
        const RecordTexts texts = record_texts(record);
        array.push_back({
            {"index", record.DeviceIndex},
            {"vendor_id", record.VendorID},
            {"product_id", record.ProductID},
            {"version", record.VersionNumber},
            {"manufacturer", locale_to_utf8(texts.manufacturer)},
            {"product", locale_to_utf8(texts.product)},
            {"serial", locale_to_utf8(texts.serial)},
            {"path", locale_to_utf8(texts.path)},
            {"inputs", record.InputCount},
            {"input_report_length", record.InputReportByteLength},
            {"output_report_length", record.OutputReportByteLength},
            {"usage_page", record.UsagePage},
            {"usage", record.Usage},
        });
    }
    return array;
}

int run_list(const ListOptions &options, std::ostream &out, std::ostream &err) {
    Boards boards(options.mode);
    if (options.json) {
        write_json_line(out, records_json(boards.records()));
    } else {
        for (const DeviceRecord &record : boards.records())
            print_line(record, out);
    }
    if (boards.records().empty()) {
        err << "panelink: no board found\n";
        return kExitNoBoard;
    }
    return kExitDone;
}

} // namespace panelink::cli
