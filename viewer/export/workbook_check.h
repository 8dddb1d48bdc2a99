// A check of a finished workbook archive.
//
// The workbook writer keeps each sheet's rows in temporary files whose write
// errors it does not report: a full temporary disk would give a workbook with
// rows missing and no error. After the archive is written, each data sheet is
// read back (inflated, not parsed) to see that it holds its last row whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace corvex::exporting {

// Empty when the archive's worksheet `sheet_number` (1-based, in the order
// the sheets were added) ends with row `last_row` (1-based) and the end of
// the sheet; otherwise what is wrong.
std::string check_sheet_ends_with_row(const std::filesystem::path& archive, int sheet_number, std::int64_t last_row);

}  // namespace corvex::exporting
