// The check of a finished workbook archive, before it gets its final name.
//
// A writer can lose data without a word (libxlsxwriter 1.1.4 ignores write
// errors on its temporary files, so a full disk leaves empty parts and sheets
// with rows missing). The check reads the whole archive back, each member
// once and in constant memory: the parts a workbook must have are present and
// not empty; every member inflates to the size and CRC-32 its directory entry
// and local header give; every XML part is well-formed; every sheet holds
// exactly the rows written, in order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "corvex/platform/expected.h"

namespace corvex::exporting {

// The rows one sheet was written with: its <row> elements, numbered (r,
// 1-based) in increasing order, the last one `last_row`. Rows without cells
// have no element, so `rows` may be less than `last_row`.
struct SheetRows {
    std::string part;   // the sheet's member, "xl/worksheets/sheet1.xml"
    std::int64_t rows = 0;
    std::int64_t last_row = 0;   // 0 without rows
};

struct WorkbookContents {
    // Parts that must be present and not empty besides the package's own
    // ("[Content_Types].xml", "_rels/.rels", "xl/workbook.xml",
    // "xl/_rels/workbook.xml.rels") and the sheets.
    std::vector<std::string> parts;
    std::vector<SheetRows> sheets;
};

// Success, or what is wrong with the archive.
Expected<void, std::string> check_workbook(const std::filesystem::path& archive, const WorkbookContents& expected);

}  // namespace corvex::exporting
