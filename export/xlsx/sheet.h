// One worksheet of a workbook package, written row by row.
//
// Rows come in increasing order, the cells of a row in increasing columns;
// rows and columns count from 0 (row 0, column 0 is cell A1). The cell calls
// return nothing: the first failure (a call out of order, a text too long, a
// full disk found by the compressor) is kept, every later call does nothing,
// and end_row(), Package::add_sheet() and Package::finish() report it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "corvex/platform/expected.h"
#include "export/xlsx/xlsx_error.h"

namespace corvex::xlsx {

class BlockDeflater;

// The cell formats of the package.
enum class Style : std::uint8_t {
    normal = 0,
    bold = 1,
    date = 2,  // a number shown in the format "m/d/yyyy h:mm:ss"
};

class Sheet {
public:
    static constexpr std::uint32_t kMaxRows = 1'048'576;
    static constexpr std::uint32_t kMaxColumns = 16'384;
    static constexpr std::size_t kMaxTextLength = 32'767;   // characters of a cell, as UTF-16 counts them
    static constexpr double kMaxColumnWidth = 255;

    Sheet(const Sheet&) = delete;
    Sheet& operator=(const Sheet&) = delete;

    const std::string& name() const { return name_; }

    // Starts row `row`. A row style formats the whole row, its empty cells too.
    void begin_row(std::uint32_t row, Style row_style = Style::normal);
    // A number cell. Numbers are written as the shortest text that reads back
    // as the same double; NaN and the infinities, which a cell cannot hold,
    // become the error value #NUM!.
    void number(std::uint32_t column, double value, Style style = Style::normal);
    // A text cell of UTF-8 text (at most kMaxTextLength characters). Bytes
    // that are not UTF-8 become U+FFFD; control characters are kept through
    // the workbook format's _xHHHH_ escapes.
    void text(std::uint32_t column, std::string_view utf8, Style style = Style::normal);
    // Ends the row; the first failure so far, of any call.
    Expected<void, Error> end_row();

    // The width of column `column` in characters (0 to kMaxColumnWidth), at
    // any time until the package is finished; the last one set counts.
    void set_column_width(std::uint32_t column, double characters);

    // Rows that hold a cell or a row style.
    std::uint64_t rows() const { return rows_; }
    std::uint64_t cells() const { return cells_; }

private:
    friend class Package;
    Sheet(std::string name, BlockDeflater& deflater, std::optional<Error>& error)
        : name_(std::move(name)), deflater_(&deflater), error_(&error) {}

    bool fail(ErrorKind kind, const std::string& message);
    bool accept_cell(std::uint32_t column);
    void open_row();
    char* open_cell(char* out, std::uint32_t column, Style style);
    void cell_written(char* end, std::uint32_t column);
    // Closes an open row; afterwards no more rows are taken.
    void finish_rows();
    // "A1:K14": the range of the cells; "A1" for a sheet without cells.
    std::string dimension() const;

    std::string name_;
    BlockDeflater* deflater_;
    std::optional<Error>* error_;
    std::map<std::uint32_t, double> widths_;
    bool finished_ = false;  // takes no more rows
    bool sealed_ = false;    // the package is written: takes nothing more

    bool in_row_ = false;
    bool row_written_ = false;  // the <row> start tag is out
    std::uint32_t row_ = 0;
    Style row_style_ = Style::normal;
    char row_text_[8] = {};     // row + 1 in decimal
    std::size_t row_text_size_ = 0;
    std::int64_t last_row_ = -1;     // the last row started
    std::int64_t last_column_ = -1;  // the last column of the row written

    std::uint64_t rows_ = 0;
    std::uint64_t cells_ = 0;
    std::uint32_t first_cell_row_ = 0, last_cell_row_ = 0, first_column_ = 0, last_column_written_ = 0;
};

}  // namespace corvex::xlsx
