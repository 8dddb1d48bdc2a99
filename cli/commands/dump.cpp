// corvex dump LOG [--json]: every record of a log, as a tab-separated table
// for people and spreadsheets, or as JSON Lines for programs.
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <algorithm>
#include <string>

#include "cli/command_status.h"
#include "cli/commands/commands.h"
#include "cli/log_access.h"
#include "cli/output/json_line.h"
#include "cli/output/progress.h"
#include "cli/output/standard_output.h"
#include "cli/output/text_table.h"
#include "export/record_source.h"
#include "export/text_forms.h"

namespace corvex::cli {

namespace {

constexpr std::string_view kCommand = "dump";

std::string json_header(const std::optional<exporting::LogFormatName>& format, const exporting::HeaderFields& h,
                        const std::vector<exporting::ItemFields>& items) {
    JsonLine j;
    j.begin_object();
    j.key("format");
    if (format) {
        j.string(format->key);
        if (format->header_offset) j.key("header_offset").integer(*format->header_offset);
    } else {
        j.null();
    }
    j.key("cyclic_flags").integer(h.cyclic_flags);
    j.key("error_flags").integer(h.error_flags);
    j.key("flags").begin_array();
    for (std::string_view name : exporting::flag_names(h.cyclic_flags, h.error_flags)) j.string(name);
    j.end_array();
    j.key("start_time").number(h.start_time);
    j.key("end_time").number(h.end_time);
    j.key("interval").integer(h.interval);
    j.key("record_count").integer(h.record_count);
    j.key("items").begin_array();
    for (const exporting::ItemFields& item : items) {
        j.begin_object();
        j.key("unit_type").integer(item.unit_type);
        j.key("input").integer(item.input);
        j.key("channel").integer(item.channel);
        j.key("computer").string(item.computer);
        j.key("label").string(item.label);
        j.key("symbol").string(item.symbol);
        j.key("comport").integer(item.comport);
        j.key("node_id").integer(item.node_id);
        j.key("width").integer(item.width);
        j.key("decimal").integer(item.decimal);
        j.end_object();
    }
    j.end_array();
    j.end_object();
    return j.text() + '\n';
}

void append_json_record(JsonLine& j, const exporting::RecordBlock& block, std::int32_t i) {
    j.clear();
    j.begin_object();
    j.key("record").integer(block.first + i);
    j.key("time");
    if (block.has_time()) j.number(block.time(i));
    else j.null();
    j.key("values").begin_array();
    for (std::int32_t u = 0; u < block.units; ++u) {
        if (block.has_value(i, u)) j.number(block.value(i, u));
        else j.null();
    }
    j.end_array();
    j.key("errors").begin_array();
    for (std::int32_t u = 0; u < block.units; ++u) j.integer(block.error(i, u));
    j.end_array();
    j.end_object();
}

std::string table_header(const std::vector<exporting::ItemFields>& items) {
    std::vector<std::string> fields{"Date/Time"};
    for (const exporting::ItemFields& item : items) {
        fields.push_back(exporting::column_name(item, exporting::EmptySymbol::LabelAlone));
        fields.push_back("Error");
    }
    return tsv_line(fields);
}

// Record i of the block as a line of the table, built in `line` (reused from
// record to record).
void table_record(const exporting::TextForms& forms, const exporting::RecordBlock& block, std::int32_t i,
                  std::string& line) {
    line.clear();
    if (block.has_time()) append_tsv_field(line, forms.general_date(block.time(i)));
    for (std::int32_t u = 0; u < block.units; ++u) {
        line += '\t';
        if (block.has_value(i, u)) append_tsv_field(line, forms.number(block.value(i, u)));
        line += '\t';
        line += std::to_string(block.error(i, u));
    }
    line += '\n';
}

int run_dump(const std::string& path, bool json) {
    auto open = open_log(path);
    if (!open) return report_failure(kCommand, open.error());
    auto source = open_records(*open, path);
    if (!source) return report_failure(kCommand, source.error());
    const exporting::HeaderFields& header = source->header();

    const exporting::TextForms forms = exporting::TextForms::from_environment();
    write_standard_output(json ? json_header(exporting::describe_format(open->log.get()), header, source->items())
                               : table_header(source->items()));

    // Progress would garble a table shown on the same terminal.
    Progress progress("corvex dump:", isatty(STDOUT_FILENO) == 0);
    JsonLine line;
    exporting::RecordBlock block;
    std::string table_line;
    const std::int32_t count = header.record_count;
    for (std::int32_t first = 0; first < count; first += exporting::kRecordsPerRun) {
        const std::int32_t wanted = std::min(exporting::kRecordsPerRun, count - first);
        source->read(first, wanted, block);
        for (std::int32_t i = 0; i < block.count; ++i) {
            if (json) {
                append_json_record(line, block, i);
                write_standard_output(line.text());
                write_standard_output("\n");
            } else {
                table_record(forms, block, i, table_line);
                write_standard_output(table_line);
            }
        }
        progress.update(first + block.count, count);
        if (block.count < wanted) {
            const std::int32_t r = first + block.count;
            progress.finish();
            finish_standard_output();
            return report_failure(kCommand,
                                  path + ": could not read record " + std::to_string(r) + " (counting from 0) of " +
                                      std::to_string(count) + "; the records before it were written",
                                  kExitUnreadableRecord);
        }
    }
    progress.finish();
    if (std::string failure = finish_standard_output(); !failure.empty()) return report_failure(kCommand, failure);
    return kExitSuccess;
}

}  // namespace

void add_dump_command(CLI::App& app, int& status) {
    auto* sub = app.add_subcommand("dump", "Write every record of a log: time, values and errors.");
    auto path = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    sub->add_option("LOG", *path, "Log file")->required();
    sub->add_flag("--json", *json, "JSON Lines: a header object, then one object per record");
    sub->footer(
        "Without --json: tab-separated, a header line, then per record the time (general date) and the value and\n"
        "error of each unit. With --json: numbers in their shortest exact form, NaN and infinities as the strings\n"
        "\"NaN\", \"Inf\", \"-Inf\"; times are log times (days since 1899-12-30).\n"
        "Exit status 2 when a record cannot be read: the records before it have been written.");
    sub->callback([path, json, &status] { status = run_dump(*path, *json); });
}

}  // namespace corvex::cli
