// The small parts of a workbook package, as XML text: content types,
// relationships, document properties, the workbook, the styles, and the text
// a worksheet part starts and ends with.
//
// The styles hold three cell formats, in this order: normal (Calibri 11),
// bold, and a date in the number format "m/d/yyyy h:mm:ss". No part refers to
// a theme, so the package needs none.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace corvex::xlsx {

std::string content_types_part(std::size_t sheets);
std::string package_relationships_part();
std::string app_properties_part(const std::vector<std::string>& sheet_names);
// `created`: seconds since 1970-01-01 UTC, stored as creation and modification time.
std::string core_properties_part(std::int64_t created);
std::string workbook_part(const std::vector<std::string>& sheet_names, std::size_t active);
std::string workbook_relationships_part(std::size_t sheets);
std::string styles_part();

// The part name of sheet `index` (0-based): "xl/worksheets/sheet1.xml", ...
std::string worksheet_part_name(std::size_t index);

struct WorksheetHead {
    std::string dimension;                      // "A1:K14"; "A1" for an empty sheet
    bool selected = false;                      // the active sheet's tab is selected
    std::map<std::uint32_t, double> widths;     // 0-based column -> width in characters
};
// The worksheet up to and including <sheetData>.
std::string worksheet_head(const WorksheetHead& head);
// The worksheet from </sheetData> on.
std::string worksheet_tail();

// The width stored for a column `characters` wide: as a spreadsheet shows it,
// the characters plus the cell padding, in whole pixels of Calibri 11.
double stored_column_width(double characters);

}  // namespace corvex::xlsx
