#include "export/workbook_export.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "corvex/platform/output_file.h"
#include "export/column_widths.h"
#include "export/export_error.h"
#include "export/log_time.h"
#include "export/record_source.h"
#include "export/text_forms.h"
#include "export/workbook_check.h"
#include "export/xlsx/package.h"

namespace corvex::exporting {

namespace {

constexpr const char* kInfoTitles[] = {"Item #",  "Label", "Symbol", "UnitType", "Channel", "Comport",
                                       "Computer", "Decimal", "Width", "Input",   "NodeID"};

// A lock file that a spreadsheet application keeps beside a file it has open.
std::optional<std::filesystem::path> find_lock_file(const std::filesystem::path& target) {
    const std::string name = target.filename().string();
    const std::filesystem::path folder = target.parent_path();
    std::vector<std::string> candidates = {".~lock." + name + "#", "~$" + name};
    // For longer names the owner file replaces the first two characters.
    if (name.size() > 2) candidates.push_back("~$" + name.substr(2));
    for (const std::string& candidate : candidates) {
        std::error_code ignored;
        const std::filesystem::path lock = folder / candidate;
        if (std::filesystem::exists(lock, ignored)) return lock;
    }
    return std::nullopt;
}

// One workbook being written, row by row and sheet by sheet. The package
// keeps the first failure; it comes back at the end of each row.
class WorkbookWriter {
public:
    WorkbookWriter(xlsx::Package& package, const ExportOptions& options, const RecordSource& source,
                   const TextForms& forms, const std::filesystem::path& target)
        : package_(package), options_(options), source_(source), forms_(forms), target_(target),
          errors_(error_columns(source.header().error_flags, options)) {}

    // "Log Info" with the header and the selected items, or an empty sheet of
    // the default name.
    bool write_first_sheet() {
        if (!add_sheet(options_.include_log_info ? "Log Info" : "Sheet1")) return false;
        if (options_.include_log_info && !write_log_info()) return false;
        finish_rows();
        return true;
    }

    // Starts the next data sheet with its bold header row.
    bool start_data_sheet() {
        if (!finish_data_sheet()) return false;
        ++data_sheets_;
        if (!add_sheet(data_sheets_ == 1 ? "Log Data" : "Log Data " + std::to_string(data_sheets_))) return false;
        if (data_sheets_ == 1) package_.set_active(*sheet_);
        widths_ = ColumnWidths{};
        row_ = 0;
        sheet_->begin_row(0, xlsx::Style::bold);
        write_data_header();
        return end_row();
    }

    std::int32_t row() const { return row_; }

    // Record i of the block as a row of the current data sheet.
    bool write_record(const RecordBlock& block, std::int32_t i) {
        ++row_;
        sheet_->begin_row(static_cast<std::uint32_t>(row_));
        std::uint32_t column = 0;
        if (block.has_time()) {
            const double time = block.time(i);
            if (const auto serial = spreadsheet_serial(time)) {
                widths_.date(0, time);
                number(0, *serial, xlsx::Style::date);
            } else {
                text(0, forms_.general_date(time));
            }
        }
        ++column;
        // With basic errors alone the record's error column holds the error
        // word the units carry (that of the last); with both flags it stays 0.
        std::int16_t record_error = 0;
        for (std::int32_t k = 0; k < block.units; ++k) {
            if (!options_.selects(k)) continue;
            if (block.has_value(i, k)) value(column, block.value(i, k));
            ++column;
            if (errors_.per_unit) {
                number(column++, block.error(i, k));
            } else if (errors_.record_follows_units()) {
                record_error = block.error(i, k);
            }
        }
        if (errors_.per_record) number(column, record_error);
        return end_row();
    }

    // Sets the widths of the last data sheet and writes the archive; then
    // reads the archive back whole (written to `file`), so a workbook with
    // anything missing never gets its name.
    bool finish(const std::filesystem::path& file) {
        if (!finish_data_sheet()) return false;
        auto summary = package_.finish();
        if (!summary) return fail(summary.error());
        auto checked = check_workbook(file, contents_);
        if (!checked) {
            error_ = ExportError{error_number::kDeviceIo, "Cannot write the workbook '" + target_.string() +
                                                              "': the written file is damaged (is the disk full?): " +
                                                              checked.error()};
            return false;
        }
        return true;
    }

    const ExportError& error() const { return *error_; }

private:
    bool fail(const xlsx::Error& error) {
        if (!error_) {
            const int number = error.kind == xlsx::ErrorKind::io ? file_error(error.os_error, "write", target_).number
                                                                   : error_number::kWorkbook;
            error_ = ExportError{number, "Cannot write the workbook '" + target_.string() + "': " + error.message};
        }
        return false;
    }
    bool add_sheet(const std::string& name) {
        auto sheet = package_.add_sheet(name);
        if (!sheet) return fail(sheet.error());
        sheet_ = *sheet;
        return true;
    }
    bool end_row() {
        if (auto ended = sheet_->end_row(); !ended) return fail(ended.error());
        return true;
    }

    // A text cell; an empty text writes no cell, as a spreadsheet keeps none.
    void text(std::uint32_t column, const std::string& value, xlsx::Style style = xlsx::Style::normal) {
        widths_.text(static_cast<int>(column), value, style == xlsx::Style::bold);
        if (value.empty()) return;
        count_row();
        sheet_->text(column, value, style);
    }
    void number(std::uint32_t column, double value, xlsx::Style style = xlsx::Style::normal) {
        if (style != xlsx::Style::date) widths_.number(static_cast<int>(column), value);
        count_row();
        sheet_->number(column, value, style);
    }
    // A unit's value: numbers as numbers; NaN and infinities as the texts the
    // delimited export uses, since a spreadsheet takes no such number.
    void value(std::uint32_t column, double v) {
        if (v == 0) return number(column, 0.0);  // -0 shows as 0, as in the delimited export
        if (std::isfinite(v)) return number(column, v);
        text(column, forms_.number(v));
    }

    bool write_log_info() {
        const HeaderFields& h = source_.header();
        struct InfoRow {
            const char* caption;
            std::optional<std::string> text;
            double number;
        };
        const InfoRow rows[] = {
            {"Log Name", options_.file_name, 0},
            {"Log Title", options_.file_title, 0},
            {"Start Time", forms_.general_date(h.start_time), 0},
            {"End Time", forms_.general_date(h.end_time), 0},
            {"Records", std::nullopt, static_cast<double>(h.record_count)},
            {"Interval", std::nullopt, static_cast<double>(h.interval)},
            {"Error Flags", std::nullopt, static_cast<double>(h.error_flags)},
            {"Cyclic Flags", std::nullopt, static_cast<double>(h.cyclic_flags)},
        };
        for (row_ = 0; row_ < 8; ++row_) {
            const InfoRow& r = rows[row_];
            sheet_->begin_row(static_cast<std::uint32_t>(row_));
            text(0, r.caption, xlsx::Style::bold);
            if (r.text) {
                text(1, *r.text);
            } else {
                number(1, r.number);
            }
            if (!end_row()) return false;
        }
        row_ = 9;
        sheet_->begin_row(static_cast<std::uint32_t>(row_));
        for (std::uint32_t c = 0; c < std::size(kInfoTitles); ++c) text(c, kInfoTitles[c], xlsx::Style::bold);
        if (!end_row()) return false;
        for (std::int32_t i = 0; i < h.item_count; ++i) {
            if (!options_.selects(i)) continue;
            const ItemFields& item = source_.items()[static_cast<std::size_t>(i)];
            ++row_;
            sheet_->begin_row(static_cast<std::uint32_t>(row_));
            number(0, i);
            text(1, item.label);
            text(2, item.symbol);
            number(3, item.unit_type);
            number(4, item.channel);
            number(5, item.comport);
            text(6, item.computer);
            number(7, item.decimal);
            number(8, item.width);
            number(9, item.input);
            number(10, item.node_id);
            if (!end_row()) return false;
        }
        return true;
    }

    void write_data_header() {
        const HeaderFields& h = source_.header();
        text(0, "Date/Time", xlsx::Style::bold);
        std::uint32_t column = 1;
        for (std::int32_t i = 0; i < h.item_count; ++i) {
            if (!options_.selects(i)) continue;
            // Always with the parentheses, also for an empty symbol.
            text(column++, column_name(source_.items()[static_cast<std::size_t>(i)], EmptySymbol::EmptyParentheses),
                 xlsx::Style::bold);
            if (errors_.per_unit) text(column++, "Error #", xlsx::Style::bold);
        }
        if (errors_.per_record) text(column, "Error #", xlsx::Style::bold);
    }

    bool finish_data_sheet() {
        if (!sheet_ || data_sheets_ == 0) return true;
        for (int c = 0; c < ColumnWidths::kColumns; ++c) {
            const double width = widths_.width(c);
            if (width > 0) sheet_->set_column_width(static_cast<std::uint32_t>(c), width);
        }
        finish_rows();
        sheet_ = nullptr;
        return true;
    }

    // Rows get an element in the sheet once they hold a cell.
    void count_row() {
        if (rows_.last_row == std::int64_t{row_} + 1) return;
        ++rows_.rows;
        rows_.last_row = std::int64_t{row_} + 1;
    }
    // The rows of the sheet just written, for the check of the archive: the
    // sheets' parts are named by their order.
    void finish_rows() {
        rows_.part = "xl/worksheets/sheet" + std::to_string(contents_.sheets.size() + 1) + ".xml";
        contents_.sheets.push_back(std::exchange(rows_, SheetRows{}));
    }

    xlsx::Package& package_;
    const ExportOptions& options_;
    const RecordSource& source_;
    const TextForms& forms_;
    const std::filesystem::path& target_;
    const ErrorColumns errors_;

    xlsx::Sheet* sheet_ = nullptr;  // the data sheet being written
    int data_sheets_ = 0;
    std::int32_t row_ = 0;
    ColumnWidths widths_;
    SheetRows rows_;  // of the sheet being written
    // The parts and rows written; the formats (bold, the date) live in the styles.
    WorkbookContents contents_{{"xl/styles.xml"}, {}};
    std::optional<ExportError> error_;
};

}  // namespace

Expected<ExportOutcome, ExportError> export_workbook(ILog* log, const ExportOptions& options,
                                                     const std::filesystem::path& out, const ProgressFn& progress) {
    return export_workbook(log, options, out, progress, WorkbookLayout{});
}

Expected<ExportOutcome, ExportError> export_workbook(ILog* log, const ExportOptions& options,
                                                     const std::filesystem::path& out, const ProgressFn& progress,
                                                     const WorkbookLayout& layout) {
    if (const auto lock = find_lock_file(out)) {
        // Built piece by piece: g++ 12 at -O3 takes "'" + string for an overlapping copy.
        std::string message = "'";
        message += out.string();
        message += "' is open in another application (its lock file '";
        message += lock->filename().string();
        message += "' is beside it)";
        return Unexpected(ExportError{error_number::kFileOpenElsewhere, std::move(message)});
    }
    auto opened = RecordSource::open(log);
    if (!opened) return Unexpected(source_error(opened.error()));
    const RecordSource& source = *opened;
    const HeaderFields& h = source.header();
    const TextForms forms = TextForms::from_environment();
    const std::int32_t rows_per_sheet = std::max<std::int32_t>(layout.rows_per_sheet, 2);

    // The archive needs a seekable file: the temporary file beside the target,
    // or a staging file when the target is a pipe or a device.
    platform::OutputOptions output_options;
    output_options.staging = true;
    auto created = platform::OutputFile::open(out.native(), output_options);
    if (!created) return Unexpected(file_error(created.error(), out));
    platform::OutputFile file = std::move(created).value();

    xlsx::Options package_options;
    // The package's own spool goes beside the file being written, on the disk
    // that must hold the workbook anyway.
    package_options.temporary_folder = std::filesystem::path(file.fill_path()).parent_path();
    auto package = xlsx::Package::create(file.descriptor(), package_options);
    if (!package) {
        return Unexpected(ExportError{error_number::kWorkbook,
                                      "Cannot write the workbook '" + out.string() + "': " + package.error().message});
    }

    ExportOutcome outcome;
    outcome.record_count = h.record_count;
    WorkbookWriter writer(*package, options, source, forms, out);
    if (!writer.write_first_sheet() || !writer.start_data_sheet()) return Unexpected(writer.error());

    const std::int32_t step = progress_step(h.record_count);
    if (progress) progress(0, h.record_count);
    RecordBlock block;
    std::int32_t done = 0;  // records read, written or passed over
    for (std::int32_t first = 0; first < h.record_count && !outcome.unreadable_record; first += kRecordsPerRun) {
        if (options.stop.stop_requested()) return Unexpected(cancelled_error());
        const std::int32_t wanted = std::min(kRecordsPerRun, h.record_count - first);
        source.read(first, wanted, block);
        if (block.count < wanted) outcome.unreadable_record = first + block.count;
        for (std::int32_t i = 0; i < block.count; ++i) {
            ++done;
            if (!options.takes(block, i)) {
                if (progress && done % step == 0) progress(done, h.record_count);
                continue;
            }
            if (writer.row() + 1 >= rows_per_sheet && !writer.start_data_sheet()) return Unexpected(writer.error());
            if (!writer.write_record(block, i)) return Unexpected(writer.error());
            ++outcome.records_written;
            if (progress && done % step == 0) progress(done, h.record_count);
        }
    }
    if (!writer.finish(file.fill_path())) return Unexpected(writer.error());
    if (auto committed = file.commit(); !committed) return Unexpected(file_error(committed.error(), out));
    if (progress) progress(done, h.record_count);
    return outcome;
}

}  // namespace corvex::exporting
