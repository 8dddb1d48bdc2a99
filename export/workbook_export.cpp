#include "export/workbook_export.h"

#include <xlsxwriter.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "corvex/platform/output_file.h"
#include "export/c_locale.h"
#include "export/column_widths.h"
#include "export/export_error.h"
#include "export/record_source.h"
#include "export/log_time.h"
#include "export/workbook_check.h"
#include "export/text_forms.h"

namespace corvex::exporting {

namespace {

constexpr const char* kDateFormat = "m/d/yyyy h:mm:ss";
constexpr std::int32_t kRecordsPerBlock = 4096;
constexpr const char* kInfoTitles[] = {"Item #",  "Label", "Symbol", "UnitType", "Channel", "Comport",
                                       "Computer", "Decimal", "Width", "Input",   "NodeID"};
// Beyond this many records the archive could pass 4 GB and needs ZIP64.
constexpr std::int64_t kZip64Records = 8 * 1'048'576;

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

ExportError workbook_error(lxw_error error, const std::filesystem::path& target) {
    return {error_number::kWorkbook,
            "Cannot write the workbook '" + target.string() + "': " + lxw_strerror(error)};
}

// The creation time stored in the workbook: SOURCE_DATE_EPOCH when set, so
// that repeated exports can give identical files; otherwise now.
std::time_t creation_time() {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
        char* end = nullptr;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (end && *end == '\0' && seconds > 0) return static_cast<std::time_t>(seconds);
    }
    return std::time(nullptr);
}

// One workbook being written: every cell goes through here, in row order, so
// that the first failure is kept and later writes are skipped.
class WorkbookWriter {
public:
    WorkbookWriter(const ExportOptions& options, const RecordSource& source, const TextForms& forms,
                   const std::filesystem::path& target)
        : options_(options), source_(source), forms_(forms), target_(target),
          errors_(error_columns(source.header().error_flags, options)) {}

    ~WorkbookWriter() {
        if (workbook_) lxw_workbook_free(workbook_);
    }
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    bool open(const std::filesystem::path& file) {
        lxw_workbook_options opts{};
        opts.constant_memory = LXW_TRUE;
        // The writer's temporary files go beside the file being written, on
        // the disk that must hold the workbook anyway: filling it shows in
        // the check of the finished archive, never elsewhere unseen.
        tmpdir_ = file.has_parent_path() ? file.parent_path().string() : std::string(".");
        opts.tmpdir = tmpdir_.data();
        opts.use_zip64 = source_.header().record_count > kZip64Records ? LXW_TRUE : LXW_FALSE;
        workbook_ = workbook_new_opt(file.c_str(), &opts);
        if (!workbook_) return fail(LXW_ERROR_CREATING_XLSX_FILE);
        lxw_doc_properties properties{};
        properties.created = creation_time();
        if (!check(workbook_set_properties(workbook_, &properties))) return false;
        bold_ = workbook_add_format(workbook_);
        date_ = workbook_add_format(workbook_);
        if (!bold_ || !date_) return fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
        format_set_bold(bold_);
        format_set_num_format(date_, kDateFormat);
        return true;
    }

    bool write_first_sheet() {
        lxw_worksheet* sheet = workbook_add_worksheet(workbook_, options_.include_log_info ? "Log Info" : nullptr);
        if (!sheet) return fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
        if (options_.include_log_info && !write_log_info(sheet)) return false;
        finish_rows();
        return true;
    }

    // Starts the next data sheet with its header row.
    bool start_data_sheet() {
        if (!finish_data_sheet()) return false;
        ++data_sheets_;
        const std::string name = data_sheets_ == 1 ? "Log Data" : "Log Data " + std::to_string(data_sheets_);
        sheet_ = workbook_add_worksheet(workbook_, name.c_str());
        if (!sheet_) return fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
        if (data_sheets_ == 1) worksheet_activate(sheet_);
        widths_ = ColumnWidths{};
        row_ = 0;
        if (!check(worksheet_set_row(sheet_, 0, LXW_DEF_ROW_HEIGHT, bold_))) return false;
        return write_data_header();
    }

    std::int32_t row() const { return row_; }

    // Record i of the block as a row of the current data sheet.
    bool write_record(const RecordBlock& block, std::int32_t i) {
        ++row_;
        lxw_col_t column = 0;
        if (block.has_time()) {
            const double time = block.time(i);
            if (const auto serial = spreadsheet_serial(time)) {
                widths_.date(0, time);
                if (!number(0, *serial, date_)) return false;
            } else if (!text(0, forms_.general_date(time))) {
                return false;
            }
        }
        ++column;
        for (std::int32_t k = 0; k < block.units; ++k) {
            if (!options_.selects(k)) continue;
            if (block.has_value(i, k) && !value(column, block.value(i, k))) return false;
            ++column;
            if (errors_.per_unit) {
                if (!number(column++, block.error(i, k))) return false;
            } else if (errors_.record_follows_units()) {
                record_error_ = block.error(i, k);
            }
        }
        if (errors_.per_record && !number(column, record_error_)) return false;
        return true;
    }

    // Sets the widths of the last data sheet and writes the file.
    bool close() {
        if (!finish_data_sheet()) return false;
        lxw_workbook* workbook = std::exchange(workbook_, nullptr);
        return check(workbook_close(workbook));
    }

    const ExportError& error() const { return *error_; }

    // After close: whether the archive holds the whole workbook as written.
    bool check_archive(const std::filesystem::path& file) {
        auto checked = check_workbook(file, contents_);
        if (!checked) {
            error_ = ExportError{error_number::kDeviceIo, "Cannot write the workbook '" + target_.string() +
                                                              "': the written file is damaged (is the disk full?): " +
                                                              checked.error()};
        }
        return static_cast<bool>(checked);
    }

private:
    bool fail(lxw_error error) {
        if (!error_) error_ = workbook_error(error, target_);
        return false;
    }
    bool check(lxw_error error) { return error == LXW_NO_ERROR || fail(error); }

    bool text(lxw_col_t column, const std::string& value, lxw_format* format = nullptr) {
        widths_.text(column, value, format == bold_);
        // The writer leaves out an empty text, unless it has a format.
        if (!value.empty() || format) count_row();
        return check(worksheet_write_string(sheet_, static_cast<lxw_row_t>(row_), column, value.c_str(), format));
    }
    bool number(lxw_col_t column, double value, lxw_format* format = nullptr) {
        if (format != date_) widths_.number(column, value);
        count_row();
        return check(worksheet_write_number(sheet_, static_cast<lxw_row_t>(row_), column, value, format));
    }
    // A unit's value: numbers as numbers; NaN and infinities as the texts the
    // delimited export uses, since a spreadsheet takes no such number.
    bool value(lxw_col_t column, double v) {
        if (v == 0) return number(column, 0.0);  // -0 shows as 0, as in the delimited export
        if (std::isfinite(v)) return number(column, v);
        return text(column, forms_.number(v));
    }

    bool write_log_info(lxw_worksheet* sheet) {
        lxw_worksheet* data_sheet = std::exchange(sheet_, sheet);
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
        bool ok = true;
        for (row_ = 0; ok && row_ < 8; ++row_) {
            const InfoRow& r = rows[row_];
            ok = text(0, r.caption, bold_) && (r.text ? text(1, *r.text) : number(1, r.number));
        }
        row_ = 9;
        for (lxw_col_t c = 0; ok && c < std::size(kInfoTitles); ++c) ok = text(c, kInfoTitles[c], bold_);
        for (std::int32_t i = 0; ok && i < h.item_count; ++i) {
            if (!options_.selects(i)) continue;
            const ItemFields* item = &source_.items()[static_cast<std::size_t>(i)];
            ++row_;
            ok = number(0, i) && text(1, item->label) && text(2, item->symbol) && number(3, item->unit_type) &&
                 number(4, item->channel) && number(5, item->comport) && text(6, item->computer) &&
                 number(7, item->decimal) && number(8, item->width) && number(9, item->input) &&
                 number(10, item->node_id);
        }
        sheet_ = data_sheet;
        return ok;
    }

    bool write_data_header() {
        const HeaderFields& h = source_.header();
        if (!text(0, "Date/Time", bold_)) return false;
        lxw_col_t column = 1;
        for (std::int32_t i = 0; i < h.item_count; ++i) {
            if (!options_.selects(i)) continue;
            // Always with the parentheses, also for an empty symbol.
            const std::string title = column_name(source_.items()[static_cast<std::size_t>(i)], EmptySymbol::EmptyParentheses);
            if (!text(column++, title, bold_)) return false;
            if (errors_.per_unit && !text(column++, "Error #", bold_)) return false;
        }
        if (errors_.per_record && !text(column, "Error #", bold_)) return false;
        return true;
    }

    bool finish_data_sheet() {
        if (!sheet_) return true;
        for (int c = 0; c < ColumnWidths::kColumns; ++c) {
            const double width = widths_.width(c);
            if (width > 0 && !check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                                         width, nullptr))) {
                return false;
            }
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
    // writer names the sheets' parts by their order.
    void finish_rows() {
        rows_.part = "xl/worksheets/sheet" + std::to_string(contents_.sheets.size() + 1) + ".xml";
        contents_.sheets.push_back(std::exchange(rows_, SheetRows{}));
    }

    const ExportOptions& options_;
    const RecordSource& source_;
    const TextForms& forms_;
    const std::filesystem::path& target_;
    const ErrorColumns errors_;

    lxw_workbook* workbook_ = nullptr;
    lxw_format* bold_ = nullptr;
    lxw_format* date_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    int data_sheets_ = 0;
    std::int32_t row_ = 0;
    ColumnWidths widths_;
    SheetRows rows_;                 // of the sheet being written
    // The parts and rows written so far; the formats (bold, the date) live in the styles.
    WorkbookContents contents_{{"xl/styles.xml"}, {}};
    std::string tmpdir_;
    // Remembered across records as the record error of a basic-errors log.
    std::int16_t record_error_ = 0;
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
        return Unexpected(ExportError{error_number::kFileOpenElsewhere,
                                      "'" + out.string() + "' is open in another application (its lock file '" +
                                          lock->filename().string() + "' is beside it)"});
    }
    auto opened = RecordSource::open(log);
    if (!opened) return Unexpected(source_error(opened.error()));
    const RecordSource& source = *opened;
    const HeaderFields& h = source.header();
    const TextForms forms = TextForms::from_environment();
    const std::int32_t rows_per_sheet = std::max<std::int32_t>(layout.rows_per_sheet, 2);

    // The workbook writer fills a seekable file by name: the temporary file
    // beside the target, or a staging file when the target is a pipe or device.
    platform::OutputOptions output_options;
    output_options.staging = true;
    auto created = platform::OutputFile::open(out.native(), output_options);
    if (!created) return Unexpected(file_error(created.error(), out));
    platform::OutputFile file = std::move(created).value();

    ExportOutcome outcome;
    outcome.record_count = h.record_count;
    std::int32_t done = 0;  // records read, written or passed over
    {
        // The workbook writer prints numbers with the C library under the
        // thread's locale; the XML must hold "3.25" whatever the user's is.
        CLocaleScope c_numbers;
        WorkbookWriter writer(options, source, forms, out);
        if (!writer.open(file.fill_path()) || !writer.write_first_sheet() || !writer.start_data_sheet()) {
            return Unexpected(writer.error());
        }

        const std::int32_t step = progress_step(h.record_count);
        if (progress) progress(0, h.record_count);
        RecordBlock block;
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
                if (writer.row() + 1 >= rows_per_sheet && !writer.start_data_sheet()) return Unexpected(writer.error());
                if (!writer.write_record(block, i)) return Unexpected(writer.error());
                ++outcome.records_written;
                if (progress && done % step == 0) progress(done, h.record_count);
            }
        }
        if (!writer.close() || !writer.check_archive(file.fill_path())) return Unexpected(writer.error());
    }
    if (auto committed = file.commit(); !committed) return Unexpected(file_error(committed.error(), out));
    if (progress) progress(done, h.record_count);
    return outcome;
}

}  // namespace corvex::exporting
