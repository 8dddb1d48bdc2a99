// The columns of the records table and the texts of its cells.
//
// Rows are records. The columns: the record's time; for each selected unit
// its value and, in a log with detailed errors, its error word; in a log
// with basic errors the record's error word last. Titles, numbers and dates
// take the forms of the delimited export, so a copied cell reads as the
// exported one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/record_source.h"
#include "export/text_forms.h"

namespace corvex::viewer {

struct RecordColumn {
    enum class Kind { Time, Value, UnitError, RecordError };
    Kind kind = Kind::Time;
    // Value and UnitError: the unit shown. RecordError: the unit whose error
    // word the column shows as the exports give it in a basic-errors log (the
    // last unit while the detailed-errors flag is clear), -1 for a column
    // that stays 0.
    std::int32_t unit = -1;
};

std::vector<RecordColumn> record_columns(const std::vector<bool>& selected, std::int32_t units,
                                         std::int16_t error_flags);

// "Date/Time", the unit's column name ("Label (Symbol)"), "Error #".
std::string column_title(const RecordColumn& column, const std::vector<exporting::ItemFields>& items);

// The error word `column` (UnitError or RecordError) shows for record i.
std::int16_t error_word(const RecordColumn& column, const exporting::RecordBlock& block, std::int32_t i);

// Whether any unit of record i carries a non-zero error word.
bool has_error(const exporting::RecordBlock& block, std::int32_t i);

// The text of a cell: general date, number (empty for a value the module gave
// as no number) or error word.
std::string cell_text(const RecordColumn& column, const exporting::RecordBlock& block, std::int32_t i,
                      const exporting::TextForms& forms);

}  // namespace corvex::viewer
