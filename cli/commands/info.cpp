// corvex info LOG: the header, flags, record count and units of a log, for
// people. A file the module does not accept gets one line saying why.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "cli/command_status.h"
#include "cli/commands/commands.h"
#include "cli/log_access.h"
#include "cli/output/standard_output.h"
#include "cli/output/text_table.h"
#include "export/record_source.h"
#include "export/text_forms.h"

namespace corvex::cli {

namespace {

constexpr std::string_view kCommand = "info";

std::string hex_word(std::int16_t word) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(static_cast<std::uint16_t>(word)));
    return text;
}

std::string joined_flags(const exporting::HeaderFields& h) {
    std::string text;
    for (std::string_view name : exporting::flag_names(h.cyclic_flags, h.error_flags)) {
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text.empty() ? "none" : text;
}

int run_info(const std::string& path) {
    auto open = open_log(path);
    if (!open) return report_failure(kCommand, open.error());
    auto source = open_records(*open, path);
    if (!source) return report_failure(kCommand, source.error());
    const exporting::HeaderFields& header = source->header();
    const std::vector<exporting::ItemFields>& items = source->items();

    const exporting::TextForms forms = exporting::TextForms::from_environment();
    std::string format = "unknown";
    if (auto described = exporting::describe_format(open->log.get())) {
        format = described->name;
        if (described->header_offset) format += " (header at offset " + std::to_string(*described->header_offset) + ")";
    }

    AlignedTable summary;
    summary.add_row({"File:", path});
    summary.add_row({"Format:", format});
    summary.add_row({"Start Time:", forms.general_date(header.start_time)});
    summary.add_row({"End Time:", forms.general_date(header.end_time)});
    summary.add_row({"Interval:", std::to_string(header.interval) + " seconds"});
    summary.add_row({"Records:", std::to_string(header.record_count)});
    summary.add_row({"Log Flags:", joined_flags(header)});
    summary.add_row({"Flag Words:", "cyclic " + hex_word(header.cyclic_flags) + ", error " + hex_word(header.error_flags)});
    summary.add_row({"Units:", std::to_string(items.size())});
    std::string text = summary.text();

    if (!items.empty()) {
        AlignedTable units;
        units.add_row({"Index", "Label", "Symbol", "Unit type", "Channel", "Input", "Computer", "Comport", "Node",
                       "Width", "Decimal"});
        for (std::size_t i = 0; i < items.size(); ++i) {
            const exporting::ItemFields& item = items[i];
            units.add_row({std::to_string(i), item.label, item.symbol, std::to_string(item.unit_type),
                           std::to_string(item.channel), std::to_string(item.input), item.computer,
                           std::to_string(item.comport), std::to_string(item.node_id), std::to_string(item.width),
                           std::to_string(item.decimal)});
        }
        text += '\n';
        text += units.text();
    }
    write_standard_output(text);
    if (std::string failure = finish_standard_output(); !failure.empty()) return report_failure(kCommand, failure);
    return kExitSuccess;
}

}  // namespace

void add_info_command(CLI::App& app, int& status) {
    auto* sub = app.add_subcommand("info", "Show a log's header, flags, record count and units.");
    auto path = std::make_shared<std::string>();
    sub->add_option("LOG", *path, "Log file")->required();
    sub->footer("A file that is not a readable log gets one line on standard error saying why, and exit status 1.");
    sub->callback([path, &status] { status = run_info(*path); });
}

}  // namespace corvex::cli
