// floor-xlsx LOG OUT: the cells of `corvex export LOG -o OUT.xlsx` (the log
// information sheet, then the data sheet with a bold header row, date cells,
// numbers and error words) written with libxlsxwriter directly, in its
// constant-memory mode: the yardstick of the workbook export.
#include <xlsxwriter.h>

#include <cstdio>
#include <string>

#include "bench/floor/floor_log.h"
#include "corvex/log_flags.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: floor-xlsx LOG OUT\n", stderr);
        return 64;
    }
    corvex::bench::FloorLog log(argv[1]);
    const auto& h = log.header();
    const bool per_unit = (h.common.error_flags & corvex::log_flags::kDetailedErrors) != 0;
    const bool per_record = (h.common.error_flags & corvex::log_flags::kBasicErrors) != 0;

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(argv[2], &options);
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* date = workbook_add_format(book);
    format_set_num_format(date, "m/d/yyyy h:mm:ss");

    lxw_worksheet* info = workbook_add_worksheet(book, "Log Info");
    const char* captions[] = {"Log Name", "Log Title", "Start Time", "End Time", "Records", "Interval", "Error Flags", "Cyclic Flags"};
    for (lxw_row_t r = 0; r < 8; ++r) {
        worksheet_write_string(info, r, 0, captions[r], bold);
        worksheet_write_number(info, r, 1, r, nullptr);
    }
    for (int k = 0; k < log.units(); ++k) {
        const auto row = static_cast<lxw_row_t>(10 + k);
        worksheet_write_number(info, row, 0, k, nullptr);
        worksheet_write_string(info, row, 1, log.label(k).c_str(), nullptr);
        worksheet_write_string(info, row, 2, log.symbol(k).c_str(), nullptr);
        for (lxw_col_t c = 3; c < 11; ++c) worksheet_write_number(info, row, c, c, nullptr);
    }

    lxw_worksheet* data = workbook_add_worksheet(book, "Log Data");
    worksheet_activate(data);
    worksheet_set_row(data, 0, LXW_DEF_ROW_HEIGHT, bold);
    lxw_col_t column = 0;
    worksheet_write_string(data, 0, column++, "Date/Time", bold);
    for (int k = 0; k < log.units(); ++k) {
        worksheet_write_string(data, 0, column++, log.column_name(k, true).c_str(), bold);
        if (per_unit) worksheet_write_string(data, 0, column++, "Error #", bold);
    }
    if (per_record) worksheet_write_string(data, 0, column, "Error #", bold);
    for (lxw_col_t c = 0; c <= column; ++c) worksheet_set_column(data, c, c, 12, nullptr);

    double time = 0, values[12];
    std::int16_t errors[12];
    lxw_row_t row = 0;
    for (std::int32_t r = 0; r < log.record_count() && log.next(time, values, errors); ++r) {
        ++row;
        column = 0;
        worksheet_write_number(data, row, column++, time, date);
        std::int16_t record_error = 0;
        for (int k = 0; k < log.units(); ++k) {
            worksheet_write_number(data, row, column++, values[k], nullptr);
            if (per_unit) worksheet_write_number(data, row, column++, errors[k], nullptr);
            else record_error = errors[k];
        }
        if (per_record) worksheet_write_number(data, row, column, per_unit ? 0 : record_error, nullptr);
    }
    return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}
