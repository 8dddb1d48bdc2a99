#include "export/xlsx/sheet.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <new>

#include "export/xlsx/block_deflater.h"
#include "export/xlsx/cell_text.h"

namespace corvex::xlsx {

namespace {

// Room for the start of a cell: <c r="XFD1048576" s="2" t="inlineStr">
constexpr std::size_t kCellStartRoom = 48;
// Room for a whole number cell.
constexpr std::size_t kNumberCellRoom = kCellStartRoom + kNumberRoom + 16;

char* put(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

std::string cell_name(std::uint32_t row, std::uint32_t column) {
    char text[kColumnRoom + 8];
    char* end = write_column(text, column);
    end = std::to_chars(end, text + sizeof text, row + std::uint64_t{1}).ptr;
    return std::string(text, end);
}

}  // namespace

bool Sheet::fail(ErrorKind kind, const std::string& message) {
    if (!*error_) *error_ = Error{kind, 0, message};
    return false;
}

void Sheet::begin_row(std::uint32_t row, Style row_style) {
    if (*error_) return;
    if (finished_) {
        fail(ErrorKind::usage, "Sheet '" + name_ + "' takes no more rows");
        return;
    }
    if (in_row_) {
        fail(ErrorKind::usage, "Sheet '" + name_ + "': row " + std::to_string(row + 1ull) +
                                   " started before row " + std::to_string(row_ + 1ull) + " ended");
        return;
    }
    if (row >= kMaxRows) {
        fail(ErrorKind::limit, "Sheet '" + name_ + "': row " + std::to_string(row + 1ull) +
                                   " is beyond the last row a sheet holds");
        return;
    }
    if (static_cast<std::int64_t>(row) <= last_row_) {
        fail(ErrorKind::usage, "Sheet '" + name_ + "': row " + std::to_string(row + 1ull) + " comes after row " +
                                   std::to_string(last_row_ + 1));
        return;
    }
    in_row_ = true;
    row_written_ = false;
    row_ = row;
    row_style_ = row_style;
    last_row_ = row;
    last_column_ = -1;
    row_text_size_ = static_cast<std::size_t>(
        std::to_chars(row_text_, row_text_ + sizeof row_text_, row + std::uint64_t{1}).ptr - row_text_);
    if (row_style != Style::normal) open_row();
}

void Sheet::open_row() {
    try {
        ByteBuffer& out = deflater_->text();
        char* p = out.room(64);
        p = put(p, "<row r=\"");
        p = put(p, {row_text_, row_text_size_});
        if (row_style_ != Style::normal) {
            p = put(p, "\" s=\"");
            *p++ = static_cast<char>('0' + static_cast<int>(row_style_));
            p = put(p, "\" customFormat=\"1");
        }
        p = put(p, "\">");
        out.commit(p);
        row_written_ = true;
        ++rows_;
    } catch (const std::bad_alloc&) {
        fail(ErrorKind::resource, "Out of memory while writing sheet '" + name_ + "'");
    }
}

bool Sheet::accept_cell(std::uint32_t column) {
    if (*error_) return false;
    if (!in_row_) return fail(ErrorKind::usage, "Sheet '" + name_ + "': a cell outside a row");
    if (column >= kMaxColumns) {
        return fail(ErrorKind::limit, "Sheet '" + name_ + "': column " + std::to_string(column + 1ull) +
                                          " is beyond the last column a sheet holds");
    }
    if (static_cast<std::int64_t>(column) <= last_column_) {
        return fail(ErrorKind::usage, "Sheet '" + name_ + "': cell " + cell_name(row_, column) +
                                          " comes after cell " +
                                          cell_name(row_, static_cast<std::uint32_t>(last_column_)));
    }
    if (!row_written_) open_row();
    return !*error_;
}

char* Sheet::open_cell(char* out, std::uint32_t column, Style style) {
    out = put(out, "<c r=\"");
    out = write_column(out, column);
    out = put(out, {row_text_, row_text_size_});
    if (style != Style::normal) {
        out = put(out, "\" s=\"");
        *out++ = static_cast<char>('0' + static_cast<int>(style));
    }
    *out++ = '"';
    return out;
}

void Sheet::cell_written(char* end, std::uint32_t column) {
    deflater_->text().commit(end);
    if (cells_ == 0) {
        first_cell_row_ = row_;
        first_column_ = last_column_written_ = column;
    }
    first_column_ = std::min(first_column_, column);
    last_column_written_ = std::max(last_column_written_, column);
    last_cell_row_ = row_;
    last_column_ = column;
    ++cells_;
    if (deflater_->full()) {
        if (auto handed = deflater_->hand_over(); !handed && !*error_) *error_ = handed.error();
    }
}

void Sheet::number(std::uint32_t column, double value, Style style) {
    if (!accept_cell(column)) return;
    try {
        char* p = open_cell(deflater_->text().room(kNumberCellRoom), column, style);
        if (std::isfinite(value)) {
            p = put(p, "><v>");
            p = write_number(p, value);
        } else {
            p = put(p, " t=\"e\"><v>#NUM!");
        }
        p = put(p, "</v></c>");
        cell_written(p, column);
    } catch (const std::bad_alloc&) {
        fail(ErrorKind::resource, "Out of memory while writing sheet '" + name_ + "'");
    }
}

void Sheet::text(std::uint32_t column, std::string_view utf8, Style style) {
    if (!accept_cell(column)) return;
    try {
        char* p = deflater_->text().room(kCellStartRoom + text_room(utf8.size()) + 48);
        p = open_cell(p, column, style);
        p = put(p, needs_space_preserved(utf8) ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">"
                                               : " t=\"inlineStr\"><is><t>");
        const WrittenText written = write_text(p, utf8);
        if (written.utf16_units > kMaxTextLength) {
            fail(ErrorKind::limit, "Sheet '" + name_ + "': the text of cell " + cell_name(row_, column) +
                                       " is longer than the " + std::to_string(kMaxTextLength) +
                                       " characters a cell holds");
            return;
        }
        p = put(written.end, "</t></is></c>");
        cell_written(p, column);
    } catch (const std::bad_alloc&) {
        fail(ErrorKind::resource, "Out of memory while writing sheet '" + name_ + "'");
    }
}

Expected<void, Error> Sheet::end_row() {
    if (!*error_ && !in_row_) fail(ErrorKind::usage, "Sheet '" + name_ + "': a row ended that was not started");
    if (!*error_ && row_written_) {
        try {
            ByteBuffer& out = deflater_->text();
            out.commit(put(out.room(8), "</row>"));
        } catch (const std::bad_alloc&) {
            fail(ErrorKind::resource, "Out of memory while writing sheet '" + name_ + "'");
        }
    }
    in_row_ = false;
    row_written_ = false;
    if (*error_) return Unexpected(**error_);
    return {};
}

void Sheet::set_column_width(std::uint32_t column, double characters) {
    if (*error_) return;
    if (sealed_) {
        fail(ErrorKind::usage, "Sheet '" + name_ + "': the workbook is finished");
        return;
    }
    if (column >= kMaxColumns) {
        fail(ErrorKind::limit, "Sheet '" + name_ + "': column " + std::to_string(column + 1ull) +
                                   " is beyond the last column a sheet holds");
        return;
    }
    if (!(characters >= 0 && characters <= kMaxColumnWidth)) {
        fail(ErrorKind::limit, "Sheet '" + name_ + "': a column width must lie between 0 and 255 characters");
        return;
    }
    try {
        widths_[column] = characters;
    } catch (const std::bad_alloc&) {
        fail(ErrorKind::resource, "Out of memory while writing sheet '" + name_ + "'");
    }
}

void Sheet::finish_rows() {
    if (in_row_) (void)end_row();
    finished_ = true;
}

std::string Sheet::dimension() const {
    if (cells_ == 0) return "A1";
    const std::string first = cell_name(first_cell_row_, first_column_);
    const std::string last = cell_name(last_cell_row_, last_column_written_);
    return first == last ? first : first + ":" + last;
}

}  // namespace corvex::xlsx
