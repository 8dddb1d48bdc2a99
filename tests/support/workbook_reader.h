// A workbook as openpyxl and Python's zipfile read it back (read_workbook.py),
// for the tests of the package writer and of the workbook export.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace corvex::testing {

struct WorkbookCell {
    std::string type;    // openpyxl's data type: "n" number, "s" text, "d" date, "e" error
    bool bold = false;
    std::string format;  // number format
    std::string value;   // as shown: dates "yyyy-mm-dd hh:mm:ss", numbers in shortest form, texts with \t \n \r
    std::string exact;   // numbers as float.hex(), dates in ISO form, texts as the hex of their UTF-8
};

struct ReadWorkbook {
    bool ok = false;
    std::string failure;                 // what Python said when !ok (also a bad CRC, a <v> that is no number)
    bool zip64 = false;                  // the archive ends with ZIP64 records
    std::vector<std::string> sheets;     // in order
    std::string active;
    std::string created;                 // "2023-11-14T22:13:20"
    std::map<std::string, std::map<std::string, WorkbookCell>> cells;    // sheet -> A1 -> cell
    std::map<std::string, std::map<std::string, std::string>> raw;       // sheet -> A1 -> text of <v>
    std::map<std::string, std::map<std::string, double>> widths;         // sheet -> letter -> width
    std::map<std::string, std::set<int>> bold_rows;                      // sheet -> rows bold as a whole
    std::map<std::string, std::pair<long, long>> rows;                   // part -> row count, last row

    const WorkbookCell* cell(const std::string& sheet, const std::string& address) const;
    // The cell's shown value, "<empty>" for none.
    std::string value(const std::string& sheet, const std::string& address) const;
};

// With rows_only: only zip64 and the rows of each sheet part (for large files).
ReadWorkbook read_workbook(const std::filesystem::path& path, bool rows_only = false);

// The hex of the bytes of `text`, as the reader gives texts exactly.
std::string hex_of(const std::string& text);
// A number as the reader gives it exactly (float.hex()); NaN when it is none.
double from_python_hex(const std::string& text);

}  // namespace corvex::testing
