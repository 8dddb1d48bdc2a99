#include "export/csv_export.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/platform/output_file.h"
#include "export/delimited_field.h"
#include "export/export_error.h"
#include "export/number_text.h"
#include "export/ordered_pipeline.h"
#include "export/record_source.h"
#include "export/text_forms.h"

namespace corvex::exporting {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Appends fields to a line: each followed by the delimiter but the last,
// quoted when it must be.
class LineBuilder {
public:
    // `plain_numbers`: number and integer texts never need quotes with this
    // delimiter, so they are appended without a scan.
    LineBuilder(std::string& line, std::string_view delimiter, bool plain_numbers = false)
        : line_(line), delimiter_(delimiter), plain_numbers_(plain_numbers) {}

    void field(std::string_view text) {
        append_field(line_, text, delimiter_);
        line_ += delimiter_;
    }
    void last_field(std::string_view text) { append_field(line_, text, delimiter_); }
    // A field that `write` appends in place (quoted afterwards in the rare
    // case that it needs it), followed by the delimiter.
    template <class Write>
    void field_in_place(Write write, bool number = false) {
        const std::size_t start = line_.size();
        write(line_);
        if (!(number && plain_numbers_) && needs_quotes(std::string_view(line_).substr(start), delimiter_)) {
            const std::string text = line_.substr(start);
            line_.resize(start);
            append_field(line_, text, delimiter_);
        }
        line_ += delimiter_;
    }
    void integer(std::int16_t value) {
        char text[8];
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        const std::string_view digits(text, static_cast<std::size_t>(end - text));
        if (plain_numbers_)
            line_ += digits;
        else
            append_field(line_, digits, delimiter_);
        line_ += delimiter_;
    }
    void end_line() { line_ += kLineEnd; }

private:
    std::string& line_;
    std::string_view delimiter_;
    bool plain_numbers_;
};

// Whether the number texts of these forms (and error words, digits and a
// sign) can never need quotes with this delimiter.
bool numbers_are_plain(const TextForms& forms, std::string_view delimiter) {
    const std::string alphabet = std::string(kNumberTextBytes) + forms.decimal_separator();
    return never_needs_quotes(alphabet, delimiter);
}

void log_info_lines(std::string& text, const HeaderFields& h, const ExportOptions& options, const TextForms& forms) {
    LineBuilder b(text, options.delimiter);
    const auto line = [&](std::string_view caption, std::string_view value) {
        b.field(caption);
        b.last_field(value);
        b.end_line();
    };
    line("File Title: ", options.file_title);
    line("File Name: ", options.file_name);
    line("Start Time:", forms.general_date(h.start_time));
    line("End Time:", forms.general_date(h.end_time));
    line("Interval:", std::to_string(h.interval));
    line("Records:", std::to_string(h.record_count));
    line("Cyclic Flags:", std::to_string(h.cyclic_flags));
    line("Error Flags:", std::to_string(h.error_flags));
    b.end_line();
}

void header_line(std::string& text, const RecordSource& source, const ExportOptions& options,
                 const ErrorColumns& errors) {
    LineBuilder b(text, options.delimiter);
    b.field("Date/Time");
    for (std::int32_t i = 0; i < source.header().item_count; ++i) {
        if (options.selects(i)) b.field(column_name(source.items()[static_cast<std::size_t>(i)], EmptySymbol::LabelAlone));
        if (errors.per_unit) b.field("Error #");
    }
    if (errors.per_record) b.last_field("Error #");
    b.end_line();
}

// The lines of one block of records.
void record_lines(std::string& text, const RecordBlock& block, const ExportOptions& options, const ErrorColumns& errors,
                  const TextForms& forms, bool plain_numbers, GeneralDateWriter& dates) {
    LineBuilder b(text, options.delimiter, plain_numbers);
    for (std::int32_t i = 0; i < block.count; ++i) {
        if (!options.takes(block, i)) continue;
        if (block.has_time()) {
            b.field_in_place([&](std::string& line) { dates.append(line, block.time(i)); });
        } else {
            b.field({});
        }
        // With basic errors alone the record's error column holds the error
        // word the units carry (that of the last); with both flags it stays 0.
        std::int16_t record_error = 0;
        for (std::int32_t u = 0; u < block.units; ++u) {
            if (options.selects(u)) {
                if (block.has_value(i, u)) {
                    b.field_in_place([&](std::string& line) { forms.append_number(line, block.value(i, u)); }, true);
                } else {
                    b.field({});
                }
            }
            if (errors.per_unit) {
                b.integer(block.error(i, u));
            } else if (errors.record_follows_units()) {
                record_error = block.error(i, u);
            }
        }
        if (errors.per_record) b.last_field(std::to_string(record_error));
        b.end_line();
    }
}

// The records of the block that the export writes.
std::int32_t taken_records(const RecordBlock& block, const ExportOptions& options) {
    if (!options.range) return block.count;
    std::int32_t taken = 0;
    for (std::int32_t i = 0; i < block.count; ++i) taken += options.takes(block, i) ? 1 : 0;
    return taken;
}

}  // namespace

Expected<ExportOutcome, ExportError> export_csv(ILog* log, const ExportOptions& options,
                                                const std::filesystem::path& out, const ProgressFn& progress) {
    auto opened = RecordSource::open(log);
    if (!opened) return Unexpected(source_error(opened.error()));
    const RecordSource& source = *opened;
    const HeaderFields& h = source.header();
    const TextForms forms = TextForms::from_environment();
    const ErrorColumns errors = error_columns(h.error_flags, options);
    const bool plain_numbers = numbers_are_plain(forms, options.delimiter);

    auto created = platform::OutputFile::open(out.native());
    if (!created) return Unexpected(file_error(created.error(), out));
    platform::OutputFile file = std::move(created).value();

    std::string head;
    if (options.include_log_info) log_info_lines(head, h, options, forms);
    header_line(head, source, options, errors);
    if (auto written = file.write(head); !written) return Unexpected(file_error(written.error(), out));

    ExportOutcome outcome;
    outcome.record_count = h.record_count;
    const std::int32_t step = progress_step(h.record_count);
    if (progress) progress(0, h.record_count);

    // Read, format and write as a pipeline: formatting, the costly stage, runs
    // on every core; each worker keeps its own day text.
    const int workers = pipeline_workers();
    std::vector<GeneralDateWriter> dates(static_cast<std::size_t>(std::max(workers, 1)), GeneralDateWriter(forms));
    std::int32_t next = 0;
    std::int32_t done = 0;  // records read, written or passed over
    bool cancelled = false;
    std::optional<platform::OutputError> write_error;
    PipelineStages stages;
    stages.read = [&](RecordBlock& block) {
        if (next >= h.record_count || outcome.unreadable_record) return false;
        if (options.stop.stop_requested()) {
            cancelled = true;
            return false;
        }
        const std::int32_t wanted = std::min(kRecordsPerRun, h.record_count - next);
        source.read(next, wanted, block);
        if (block.count < wanted) outcome.unreadable_record = next + block.count;
        next += block.count;
        return block.count > 0;
    };
    stages.format = [&](int worker, const RecordBlock& block, std::string& text) {
        record_lines(text, block, options, errors, forms, plain_numbers, dates[static_cast<std::size_t>(worker)]);
    };
    stages.write = [&](const RecordBlock& block, const std::string& text) {
        // Reading runs ahead of writing: a stop is also seen here.
        if (options.stop.stop_requested()) {
            cancelled = true;
            return false;
        }
        if (auto written = file.write(text); !written) {
            write_error = written.error();
            return false;
        }
        // Progress in the engines' steps, as a record-by-record export gives it.
        const std::int32_t before = done;
        done += block.count;
        outcome.records_written += taken_records(block, options);
        if (progress)
            for (std::int32_t n = (before / step + 1) * step; n <= done; n += step) progress(n, h.record_count);
        return true;
    };
    const bool finished = run_ordered_pipeline(workers, stages);
    if (cancelled) return Unexpected(cancelled_error());
    if (!finished) return Unexpected(file_error(*write_error, out));

    if (auto committed = file.commit(); !committed) return Unexpected(file_error(committed.error(), out));
    if (progress) progress(done, h.record_count);
    return outcome;
}

}  // namespace corvex::exporting
