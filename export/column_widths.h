// Column widths of a data sheet, worked out from what was written.
//
// The workbook writer cannot measure text, so each column takes the width of
// its longest entry as the spreadsheet would show it: texts by their
// characters, numbers in the General format, dates in the date format.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace corvex::exporting {

class ColumnWidths {
public:
    static constexpr int kColumns = 26;   // A to Z

    void text(int column, std::string_view utf8, bool bold = false);
    void number(int column, double value);
    // A date cell of the moment `log_time` in the format "m/d/yyyy h:mm:ss".
    void date(int column, double log_time);

    // The width to set for `column`, in character units; 0 when the column
    // stayed empty.
    double width(int column) const;

private:
    void widen(int column, double characters);
    std::array<double, kColumns> characters_{};
};

}  // namespace corvex::exporting
