// corvex export LOG -o OUT: the log as a delimited text file or a workbook,
// written by the same engines the viewer uses, so both give the same file.
// The engines write under OUT only a finished file (or, when a record cannot
// be read, the records before it). corvex export LOG... --out-dir DIR: many
// logs, one file each, several at a time.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/command_status.h"
#include "cli/commands/commands.h"
#include "cli/log_access.h"
#include "cli/output/progress.h"
#include "cli/output/standard_output.h"
#include "corvex/platform/output_file.h"
#include "corvex/platform/text.h"
#include "export/export_formats.h"
#include "export/time_range.h"

namespace corvex::cli {

namespace {

constexpr std::string_view kCommand = "export";

struct ExportArguments {
    std::vector<std::string> logs;
    std::string out, out_dir, format, units, from, to, delimiter = ",";
    std::size_t jobs = std::max(1u, std::thread::hardware_concurrency());
    bool delimiter_given = false;
    bool no_log_info = false, no_errors = false;
    std::optional<exporting::TimeRange> range;  // from --from and --to
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

// The result of exporting one log: an exit status and, unless it succeeded,
// the one line saying what went wrong (reported as it is).
struct LogResult {
    int status = kExitSuccess;
    std::string failure;
    std::int32_t records_written = 0;
};

LogResult failed(std::string message, int status = kExitFailure) { return {status, std::move(message), 0}; }

LogResult export_one(const ExportArguments& a, const exporting::ExportFormat& format, const std::string& log,
                     const std::string& out, bool show_progress) {
    if (platform::names_same_file(log, out)) return failed(out + ": is the log itself; choose another output file");

    auto open = open_log(log);
    if (!open) return failed(open.error());
    std::int32_t item_count = 0;
    if (const HRESULT hr = open->info->get_Count(&item_count); FAILED(hr))
        return failed(log + ": reading LogInfo.Count failed: " + status_text(hr));
    if (item_count <= 0) return failed(log + ": the log has no units to export");

    exporting::ExportOptions options;
    options.include_log_info = !a.no_log_info;
    options.include_errors = !a.no_errors;
    options.delimiter = a.delimiter;
    options.range = a.range;
    // Texts inside the export are UTF-8: a name's invalid bytes show as U+FFFD.
    options.file_title = text::path_display_text(file_title(log));
    options.file_name = text::path_display_text(log);
    if (a.units.empty()) {
        options.selected.assign(static_cast<std::size_t>(item_count), true);
    } else {
        auto selected = parse_selection(a.units, item_count, log);
        if (!selected) return failed(selected.error());
        options.selected = std::move(*selected);
    }

    Progress progress("corvex export:", show_progress);
    const exporting::ProgressFn on_progress = [&progress](std::int64_t done, std::int64_t total) {
        progress.update(done, total);
    };
    const auto outcome = format.run(open->log.get(), options, out, on_progress);
    progress.finish();
    if (!outcome) {
        // The engines' descriptions usually name the file already.
        const exporting::ExportError& e = outcome.error();
        const bool names_file = e.description.find(out) != std::string::npos;
        return failed((names_file ? "" : out + ": ") + e.description + " (error " + std::to_string(e.number) + ")");
    }
    if (outcome->unreadable_record) {
        const std::int32_t r = *outcome->unreadable_record;
        return {kExitUnreadableRecord,
                log + ": could not read record " + std::to_string(r) + " (counting from 0) of " +
                    std::to_string(outcome->record_count) + "; " + out + " holds the " +
                    std::to_string(outcome->records_written) + " records before it",
                outcome->records_written};
    }
    return {kExitSuccess, {}, outcome->records_written};
}

// How bad a status is: a failure is worse than a log exported up to an
// unreadable record, which is worse than success.
int severity(int status) {
    switch (status) {
    case kExitSuccess: return 0;
    case kExitUnreadableRecord: return 1;
    default: return 2;
    }
}

// Several logs into a folder, `jobs` at a time: one line per log as each
// finishes (on standard output when it was exported whole, else the failure
// on standard error); the worst status of them all.
int export_many(const ExportArguments& a, const exporting::ExportFormat& format) {
    std::error_code ec;
    if (!std::filesystem::is_directory(a.out_dir, ec))
        return report_failure(kCommand, a.out_dir + ": is not a folder");

    // Each log's file: its name with the format's extension, in the folder.
    std::vector<std::string> outs;
    std::map<std::string, std::string> first_log_of;
    std::vector<std::string> clashes(a.logs.size());
    for (std::size_t i = 0; i < a.logs.size(); ++i) {
        std::filesystem::path name = std::filesystem::path(a.logs[i]).filename();
        name.replace_extension(std::string(format.extensions.front()));
        outs.push_back((std::filesystem::path(a.out_dir) / name).string());
        auto [it, inserted] = first_log_of.emplace(outs.back(), a.logs[i]);
        if (!inserted) clashes[i] = outs.back() + ": would also be written for " + it->second + "; " + a.logs[i] + " is left out";
    }

    const std::size_t jobs = std::clamp<std::size_t>(a.jobs, 1, a.logs.size());
    std::atomic<std::size_t> next{0};
    std::mutex report;
    int worst = kExitSuccess;
    const auto work = [&] {
        for (std::size_t i = next++; i < a.logs.size(); i = next++) {
            const LogResult r = clashes[i].empty() ? export_one(a, format, a.logs[i], outs[i], false) : failed(clashes[i]);
            const std::lock_guard lock(report);
            if (r.status == kExitSuccess) {
                write_standard_output(a.logs[i] + " -> " + outs[i] + " (" + std::to_string(r.records_written) +
                                      (r.records_written == 1 ? " record)\n" : " records)\n"));
                std::fflush(stdout);
            } else {
                report_failure(kCommand, r.failure, r.status);
            }
            if (severity(r.status) > severity(worst)) worst = r.status;
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t t = 1; t < jobs; ++t) workers.emplace_back(work);
    work();
    for (std::thread& t : workers) t.join();
    if (std::string failure = finish_standard_output(); !failure.empty()) return report_failure(kCommand, failure);
    return worst;
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

int run_export(ExportArguments a) {
    const auto range = parse_range(a);
    if (!range) return report_failure(kCommand, range.error(), kExitUsage);
    a.range = *range;
    if (a.out.empty() == a.out_dir.empty())
        return report_failure(kCommand, "give --output OUT for one log, or --out-dir DIR", kExitUsage);
    if (!a.out.empty() && a.logs.size() != 1)
        return report_failure(kCommand, "-o names one output file; for several logs use --out-dir DIR", kExitUsage);
    const exporting::ExportFormat* chosen = a.format.empty() ? nullptr : exporting::find_export_format(a.format);
    if (!chosen && !a.out_dir.empty()) chosen = &exporting::export_formats().front();
    const exporting::ExportFormat& format = chosen ? *chosen : exporting::export_format_for(a.out);
    if (!format.takes_delimiter && a.delimiter_given) return report_failure(kCommand, delimiter_scope(), kExitUsage);

    if (!a.out_dir.empty()) return export_many(a, format);
    const LogResult r = export_one(a, format, a.logs.front(), a.out, true);
    if (r.status != kExitSuccess) return report_failure(kCommand, r.failure, r.status);
    return kExitSuccess;
}

}  // namespace

void add_export_command(CLI::App& app, int& status) {
    auto* sub = app.add_subcommand("export", "Export a log as a delimited text file or a workbook.");
    auto a = std::make_shared<ExportArguments>();
    sub->add_option("LOG", a->logs, "Log files (several with --out-dir)")->required();
    sub->add_option("-o,--output", a->out, "File to write (created or replaced)");
    sub->add_option("--out-dir", a->out_dir,
                    "Folder to write one file per log into, named after the log with the format's extension");
    sub->add_option("-j,--jobs", a->jobs, "Logs exported at a time with --out-dir (default: the number of cores)")
        ->check(CLI::Range(1, 1024));
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
        "OUT holds the records before it. With --out-dir, one line per log as it finishes (exported logs on\n"
        "standard output, failures on standard error), and the worst status of all: 1 if any log failed, else 2\n"
        "if any stopped at an unreadable record, else 0.");
    sub->callback([a, delimiter, &status] {
        a->delimiter_given = delimiter->count() > 0;
        status = run_export(*a);
    });
}

}  // namespace corvex::cli
