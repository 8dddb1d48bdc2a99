#include "export/csv_export.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "export/delimited_field.h"
#include "export/record_source.h"
#include "corvex/platform/output_file.h"
#include "export/export_error.h"
#include "export/text_forms.h"

namespace corvex::exporting {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::int32_t kRecordsPerBlock = 4096;
constexpr std::size_t kFlushSize = 1 << 20;

// Builds lines field by field and hands them to the file in large blocks.
class DelimitedWriter {
public:
    DelimitedWriter(platform::OutputFile& file, const std::filesystem::path& target, std::string_view delimiter)
        : file_(file), target_(target), delimiter_(delimiter) {}

    // A field followed by the delimiter.
    void field(std::string_view text) {
        append_field(buffer_, text, delimiter_);
        buffer_ += delimiter_;
    }
    // The last field of a line, without a delimiter after it.
    void last_field(std::string_view text) { append_field(buffer_, text, delimiter_); }
    // A field that `write` appends to the line in place (quoted afterwards in
    // the rare case that it needs it), followed by the delimiter.
    template <class Write>
    void field_in_place(Write write) {
        const std::size_t start = buffer_.size();
        write(buffer_);
        if (needs_quotes(std::string_view(buffer_).substr(start), delimiter_)) {
            const std::string text = buffer_.substr(start);
            buffer_.resize(start);
            append_field(buffer_, text, delimiter_);
        }
        buffer_ += delimiter_;
    }

    Expected<void, ExportError> end_line() {
        buffer_ += kLineEnd;
        if (buffer_.size() >= kFlushSize) return flush();
        return {};
    }
    Expected<void, ExportError> flush() {
        auto written = file_.write(buffer_);
        buffer_.clear();
        if (!written) return Unexpected(file_error(written.error(), target_));
        return {};
    }

private:
    platform::OutputFile& file_;
    const std::filesystem::path& target_;
    std::string_view delimiter_;
    std::string buffer_;
};

Expected<void, ExportError> write_log_info(DelimitedWriter& w, const HeaderFields& h, const ExportOptions& options,
                                           const TextForms& forms) {
    const auto line = [&](std::string_view caption, std::string_view value) {
        w.field(caption);
        w.last_field(value);
        return w.end_line();
    };
    Expected<void, ExportError> ok;
    if (!(ok = line("File Title: ", options.file_title))) return ok;
    if (!(ok = line("File Name: ", options.file_name))) return ok;
    if (!(ok = line("Start Time:", forms.general_date(h.start_time)))) return ok;
    if (!(ok = line("End Time:", forms.general_date(h.end_time)))) return ok;
    if (!(ok = line("Interval:", std::to_string(h.interval)))) return ok;
    if (!(ok = line("Records:", std::to_string(h.record_count)))) return ok;
    if (!(ok = line("Cyclic Flags:", std::to_string(h.cyclic_flags)))) return ok;
    if (!(ok = line("Error Flags:", std::to_string(h.error_flags)))) return ok;
    return w.end_line();
}

Expected<void, ExportError> write_header(DelimitedWriter& w, const RecordSource& source, const ExportOptions& options,
                                         const ErrorColumns& errors) {
    w.field("Date/Time");
    for (std::int32_t i = 0; i < source.header().item_count; ++i) {
        if (options.selects(i)) w.field(column_name(source.items()[static_cast<std::size_t>(i)], EmptySymbol::LabelAlone));
        if (errors.per_unit) w.field("Error #");
    }
    if (errors.per_record) w.last_field("Error #");
    return w.end_line();
}

}  // namespace

Expected<ExportOutcome, ExportError> export_csv(ILog* log, const ExportOptions& options,
                                                const std::filesystem::path& out, const ProgressFn& progress) {
    auto opened = RecordSource::open(log);
    if (!opened) return Unexpected(source_error(opened.error()));
    const RecordSource& source = *opened;
    const HeaderFields& h = source.header();
    const TextForms forms = TextForms::from_environment();
    GeneralDateWriter dates(forms);

    auto created = platform::OutputFile::open(out.native());
    if (!created) return Unexpected(file_error(created.error(), out));
    platform::OutputFile file = std::move(created).value();
    DelimitedWriter w(file, out, options.delimiter);

    const ErrorColumns errors = error_columns(h.error_flags, options);
    const bool record_follows_units = errors.record_follows_units();
    Expected<void, ExportError> ok;
    if (options.include_log_info && !(ok = write_log_info(w, h, options, forms))) return Unexpected(ok.error());
    if (!(ok = write_header(w, source, options, errors))) return Unexpected(ok.error());

    ExportOutcome outcome;
    outcome.record_count = h.record_count;
    const std::int32_t step = progress_step(h.record_count);
    if (progress) progress(0, h.record_count);

    // Remembered across records: a unit only updates it while the
    // detailed-errors flag is clear, so with both flags the column stays 0.
    std::int16_t record_error = 0;
    RecordBlock block;
    std::int32_t done = 0;  // records read, written or passed over
    for (std::int32_t first = 0; first < h.record_count && !outcome.unreadable_record; first += kRecordsPerBlock) {
        if (options.stop.stop_requested()) return Unexpected(cancelled_error());
        const std::int32_t wanted = std::min(kRecordsPerBlock, h.record_count - first);
        source.read(first, wanted, block);
        if (block.count < wanted) outcome.unreadable_record = first + block.count;
        for (std::int32_t i = 0; i < block.count; ++i) {
            ++done;
            if (!options.takes(block, i)) {
                if (progress && done % step == 0) progress(done, h.record_count);
                continue;
            }
            if (block.has_time()) {
                w.field_in_place([&](std::string& line) { dates.append(line, block.time(i)); });
            } else {
                w.field({});
            }
            for (std::int32_t u = 0; u < block.units; ++u) {
                if (options.selects(u)) {
                    if (block.has_value(i, u)) {
                        w.field_in_place([&](std::string& line) { forms.append_number(line, block.value(i, u)); });
                    } else {
                        w.field({});
                    }
                }
                if (errors.per_unit) {
                    w.field(std::to_string(block.error(i, u)));
                } else if (record_follows_units) {
                    record_error = block.error(i, u);
                }
            }
            if (errors.per_record) w.last_field(std::to_string(record_error));
            if (!(ok = w.end_line())) return Unexpected(ok.error());
            ++outcome.records_written;
            if (progress && done % step == 0) progress(done, h.record_count);
        }
    }

    if (!(ok = w.flush())) return Unexpected(ok.error());
    if (auto committed = file.commit(); !committed) return Unexpected(file_error(committed.error(), out));
    if (progress) progress(done, h.record_count);
    return outcome;
}

}  // namespace corvex::exporting
