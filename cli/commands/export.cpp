// corvex export LOG -o OUT: the log as a delimited text file or a workbook,
// written by the same engines the viewer uses, so both give the same file.
// The engines write under OUT only a finished file (or, when a record cannot
// be read, the records before it).
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/command_status.h"
#include "cli/commands/commands.h"
#include "cli/log_access.h"
#include "cli/output/progress.h"
#include "corvex/platform/text.h"
#include "export/export_formats.h"
#include "export/time_range.h"

namespace corvex::cli {

namespace {

constexpr std::string_view kCommand = "export";

struct ExportArguments {
    std::string log, out, format, units, from, to, delimiter = ",";
    bool delimiter_given = false;
    bool no_log_info = false, no_errors = false;
};

// "csv or xlsx; by default from OUT's extension (.xlsx, .xls: workbook)".
std::string format_help() {
    std::string ids, defaults;
    const auto formats = exporting::export_formats();
    for (std::size_t i = 0; i < formats.size(); ++i) {
        if (i > 0) ids += i + 1 == formats.size() ? " or " : ", ";
        ids += formats[i].id;
        // The first format is the default for any other name.
        if (i == 0) continue;
        if (!defaults.empty()) defaults += "; ";
        for (std::size_t e = 0; e < formats[i].extensions.size(); ++e) {
            if (e > 0) defaults += ", ";
            defaults += formats[i].extensions[e];
        }
        defaults += ": ";
        defaults += formats[i].noun;
    }
    return ids + "; by default from OUT's extension (" + defaults + ")";
}

std::vector<std::string> format_ids() {
    std::vector<std::string> ids;
    for (const exporting::ExportFormat& f : exporting::export_formats()) ids.emplace_back(f.id);
    return ids;
}

// "--delimiter applies to csv output only".
std::string delimiter_scope() {
    std::string ids;
    for (const exporting::ExportFormat& f : exporting::export_formats()) {
        if (!f.takes_delimiter) continue;
        if (!ids.empty()) ids += " and ";
        ids += f.id;
    }
    return "--delimiter applies to " + ids + " output only";
}

// "File Title": the last component of the path as given.
std::string file_title(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The entries of LIST, a comma-separated list of item indexes; nullopt when an
// entry is not a whole number.
std::optional<std::vector<std::int64_t>> split_indexes(std::string_view list) {
    std::vector<std::int64_t> indexes;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        std::string_view entry = list.substr(start, comma - start);
        while (!entry.empty() && entry.front() == ' ') entry.remove_prefix(1);
        while (!entry.empty() && entry.back() == ' ') entry.remove_suffix(1);
        std::int64_t index = -1;
        const auto [end, ec] = std::from_chars(entry.data(), entry.data() + entry.size(), index);
        if (entry.empty() || ec != std::errc() || end != entry.data() + entry.size()) return std::nullopt;
        indexes.push_back(index);
        start = comma + 1;
    }
    return indexes;
}

// The selection LIST makes among the log's items; the error is one line.
Expected<std::vector<bool>, std::string> parse_selection(const std::string& list, std::int32_t item_count,
                                                         const std::string& log) {
    std::vector<bool> selected(static_cast<std::size_t>(item_count), false);
    const auto indexes = split_indexes(list);
    if (!indexes) return Unexpected{"--units: '" + list + "' is not a list of unit indexes"};
    for (std::int64_t index : *indexes) {
        if (index < 0 || index >= item_count)
            return Unexpected{"--units: unit index " + std::to_string(index) + " is out of range: " + log + " has " +
                              std::to_string(item_count) + (item_count == 1 ? " unit" : " units") + " (0 to " +
                              std::to_string(item_count - 1) + ")"};
        selected[static_cast<std::size_t>(index)] = true;
    }
    return selected;
}

// The records --from and --to take in; none when neither is given. The texts
// were checked when the command line was read.
Expected<std::optional<exporting::TimeRange>, std::string> parse_range(const ExportArguments& a) {
    if (a.from.empty() && a.to.empty()) return std::optional<exporting::TimeRange>();
    exporting::TimeRange range;
    if (!a.from.empty()) range.first = *exporting::parse_time_bound(a.from);
    if (!a.to.empty()) range.last = *exporting::parse_time_bound(a.to);
    if (range.first > range.last) return Unexpected{"--from " + a.from + " lies after --to " + a.to};
    return std::optional<exporting::TimeRange>(range);
}

int run_export(const ExportArguments& a) {
    const exporting::ExportFormat& format =
        a.format.empty() ? exporting::export_format_for(a.out) : *exporting::find_export_format(a.format);
    if (!format.takes_delimiter && a.delimiter_given) return report_failure(kCommand, delimiter_scope(), kExitUsage);
    const auto range = parse_range(a);
    if (!range) return report_failure(kCommand, range.error(), kExitUsage);

    std::error_code ec;
    if (std::filesystem::equivalent(a.log, a.out, ec))
        return report_failure(kCommand, a.out + ": is the log itself; choose another output file");

    auto open = open_log(a.log);
    if (!open) return report_failure(kCommand, open.error());
    std::int32_t item_count = 0;
    if (const HRESULT hr = open->info->get_Count(&item_count); FAILED(hr))
        return report_failure(kCommand, a.log + ": reading LogInfo.Count failed: " + status_text(hr));
    if (item_count <= 0) return report_failure(kCommand, a.log + ": the log has no units to export");

    exporting::ExportOptions options;
    options.include_log_info = !a.no_log_info;
    options.include_errors = !a.no_errors;
    options.delimiter = a.delimiter;
    options.range = *range;
    // Texts inside the export are UTF-8: a name's invalid bytes show as U+FFFD.
    options.file_title = text::path_display_text(file_title(a.log));
    options.file_name = text::path_display_text(a.log);
    if (a.units.empty()) {
        options.selected.assign(static_cast<std::size_t>(item_count), true);
    } else {
        auto selected = parse_selection(a.units, item_count, a.log);
        if (!selected) return report_failure(kCommand, selected.error());
        options.selected = std::move(*selected);
    }

    Progress progress("corvex export:");
    const exporting::ProgressFn on_progress = [&progress](std::int64_t done, std::int64_t total) {
        progress.update(done, total);
    };
    const auto outcome = format.run(open->log.get(), options, a.out, on_progress);
    progress.finish();
    if (!outcome) {
        // The engines' descriptions usually name the file already.
        const exporting::ExportError& e = outcome.error();
        const bool names_file = e.description.find(a.out) != std::string::npos;
        return report_failure(kCommand, (names_file ? "" : a.out + ": ") + e.description + " (error " +
                                            std::to_string(e.number) + ")");
    }

    if (outcome->unreadable_record) {
        const std::int32_t r = *outcome->unreadable_record;
        return report_failure(kCommand,
                              a.log + ": could not read record " + std::to_string(r) + " (counting from 0) of " +
                                  std::to_string(outcome->record_count) + "; " + a.out + " holds the " +
                                  std::to_string(outcome->records_written) + " records before it",
                              kExitUnreadableRecord);
    }
    return kExitSuccess;
}

}  // namespace

void add_export_command(CLI::App& app, int& status) {
    auto* sub = app.add_subcommand("export", "Export a log as a delimited text file or a workbook.");
    auto a = std::make_shared<ExportArguments>();
    sub->add_option("LOG", a->log, "Log file")->required();
    sub->add_option("-o,--output", a->out, "File to write (created or replaced)")->required();
    sub->add_option("--format", a->format, format_help())->check(CLI::IsMember(format_ids()));
    auto* delimiter = sub->add_option("--delimiter", a->delimiter,
                                      "Field delimiter of csv output, taken exactly: empty, one or several characters "
                                      "(default \",\"; none: --delimiter ''; a tab: --delimiter $'\\t')");
    sub->add_option("--units", a->units, "Comma-separated unit indexes to export (default: all), e.g. 0,2")
        ->check(CLI::Validator(
            [](const std::string& list) {
                return split_indexes(list) ? std::string() : "'" + list + "' is not a list of unit indexes such as 0,2";
            },
            "LIST"));
    const CLI::Validator time_text(
        [](const std::string& text) {
            const auto bound = exporting::parse_time_bound(text);
            return bound ? std::string() : bound.error();
        },
        "TIME");
    sub->add_option("--from", a->from,
                    "Export only the records from this time on, included: yyyy-MM-dd HH:mm:ss, yyyy-MM-dd, HH:mm:ss, "
                    "or a log time in days (records compare by the second their time shows)")
        ->check(time_text);
    sub->add_option("--to", a->to, "Export only the records up to this time, included (forms as --from)")->check(time_text);
    sub->add_flag("--no-log-info", a->no_log_info, "Leave out the log information block / sheet");
    sub->add_flag("--no-errors", a->no_errors, "Leave out the error columns");
    sub->footer(
        "Nothing is written under OUT unless the export succeeds. Exit status 2: a record could not be read;\n"
        "OUT holds the records before it.");
    sub->callback([a, delimiter, &status] {
        a->delimiter_given = delimiter->count() > 0;
        status = run_export(*a);
    });
}

}  // namespace corvex::cli
